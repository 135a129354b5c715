// Identifiers of the localisation test's dialog and strings.
#pragma once

#define IDD_LOCALIZE 200
#define IDC_FIRST 1001
#define IDC_SECOND 1002
#define IDC_THIRD 1003
#define IDS_FIRST 32001
#define IDS_SECOND 32002
#define IDS_MISSING 32099
