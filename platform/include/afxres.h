// Identifiers of the framework's own resources and commands, for resource scripts and for code.
#pragma once

#include <winres.h>

// Framework prompts (string table entries a program may supply; the framework has built-in English
// texts for them).
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_REAL 0xF111
#define AFX_IDP_PARSE_INT_RANGE 0xF112
#define AFX_IDP_PARSE_REAL_RANGE 0xF113
#define AFX_IDP_PARSE_STRING_SIZE 0xF114
#define AFX_IDP_PARSE_RADIO_BUTTON 0xF115
#define AFX_IDP_PARSE_BYTE 0xF116
#define AFX_IDP_PARSE_UINT 0xF117

// Framework strings
#define AFX_IDS_APP_TITLE 0xE000

// Framework controls
#define AFX_IDC_TAB_CONTROL 0x3020

// Standard commands
#define ID_APP_EXIT 0xE141
#define ID_APP_ABOUT 0xE140
#define ID_HELP 0xE146

// The resource type of dialog initialisation data (combo box and list box items of a dialog template).
#define RT_DLGINIT_ID 240
#ifndef RC_INVOKED
#define RT_DLGINIT MAKEINTRESOURCE(RT_DLGINIT_ID)
#endif
