// A plain Win32 program, without the framework: a dialog made from a template of its own resources, a
// string loaded from its table and a message box (recorded), and the other resource calls of the window
// services on the same script.
#include <windows.h>

#include <gwes/gwes.h>
#include <gwes/shell.h>
#include <kernel/msgbox.h>
#include <thread_language.h>
#include <window_system.h>

#include "testres.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const bool g_windowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerProgram);

const UINT WM_SHOW_BOX = WM_APP + 1;

// What the dialog procedure saw.
struct Seen
{
    LPARAM initParam = 0;
    std::u16string editText;
    RECT pictureRect{};
    HANDLE picture = nullptr;
    int boxAnswer = 0;
};

INT_PTR CALLBACK TestDialogProc(HWND hDlg, UINT msg, WPARAM, LPARAM lParam)
{
    auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(hDlg, GWLP_USERDATA));
    switch (msg)
    {
    case WM_INITDIALOG:
    {
        SetWindowLongPtrW(hDlg, GWLP_USERDATA, lParam);
        seen = reinterpret_cast<Seen*>(lParam);
        seen->initParam = lParam;
        WCHAR text[32] = {};
        LoadStringW(GetModuleHandleW(nullptr), IDS_STATUS, text, 32);
        SetDlgItemTextW(hDlg, IDC_EDIT, text);
        HWND picture = GetDlgItem(hDlg, IDC_PICTURE);
        GetClientRect(picture, &seen->pictureRect);
        seen->picture = reinterpret_cast<HANDLE>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        PostMessageW(hDlg, WM_SHOW_BOX, 0, 0);
        return TRUE;
    }
    case WM_SHOW_BOX:
    {
        WCHAR text[32] = {};
        GetDlgItemTextW(hDlg, IDC_EDIT, text, 32);
        seen->editText = text;
        seen->boxAnswer = MessageBoxW(hDlg, text, u"Plain program", MB_YESNO | MB_ICONQUESTION);
        EndDialog(hDlg, seen->boxAnswer == IDNO ? 7 : 8);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

TEST(PlainProgram, MakesADialogFromATemplateLoadsAStringAndShowsAMessageBox)
{
    testing_support::ThreadLanguage language(0x0409);
    ce::RecordingPresenter boxes(IDNO);
    Seen seen;
    INT_PTR result = DialogBoxParamW(nullptr, MAKEINTRESOURCE(IDD_TEST), nullptr, TestDialogProc,
                                     reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(seen.initParam, reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen.editText, u"STATUS"); // the template's edit control is ES_UPPERCASE
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, u"STATUS");
    EXPECT_EQ(boxes.boxes()[0].caption, u"Plain program");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_NE(boxes.boxes()[0].owner, nullptr);
    EXPECT_FALSE(IsWindow(boxes.boxes()[0].owner)); // the modal call destroyed its dialog
    // The picture control loaded the bitmap its template names and took its size.
    EXPECT_NE(seen.picture, nullptr);
    EXPECT_EQ(seen.pictureRect.right, 3);
    EXPECT_EQ(seen.pictureRect.bottom, 2);
    // It was the control's own, and went with it: a dialog made again and again holds no more.
    EXPECT_EQ(gwes::BitmapSize(static_cast<HBITMAP>(seen.picture)).cx, 0);
}

TEST(PlainProgram, APictureControlKeepsAnImageItWasGiven)
{
    HBITMAP hBitmap = LoadBitmapW(nullptr, MAKEINTRESOURCE(IDB_TEST));
    ASSERT_NE(hBitmap, nullptr);
    HWND picture = CreateWindowExW(0, u"Static", u"", WS_POPUP | SS_BITMAP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)), 0);
    EXPECT_TRUE(DestroyWindow(picture));
    // The caller's image stays the caller's.
    EXPECT_EQ(gwes::BitmapSize(hBitmap).cx, 3);
    EXPECT_TRUE(DeleteObject(hBitmap));
}

TEST(PlainProgram, DialogCallsReportWhatIsMissing)
{
    SetLastError(0);
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCE(999), nullptr, TestDialogProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCE(999), nullptr, TestDialogProc, 0), -1);
    SetLastError(0);
    EXPECT_EQ(CreateDialogIndirectParamW(nullptr, nullptr, nullptr, TestDialogProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PlainProgram, AModelessDialogFromTheTemplateInMemory)
{
    // The template's own bytes, as LockResource gives them: the dialog reads no further than the resource.
    HRSRC hResource = FindResourceW(nullptr, MAKEINTRESOURCE(IDD_TEST_EX), RT_DIALOG);
    ASSERT_NE(hResource, nullptr);
    auto* pTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(nullptr, hResource)));
    HWND hParent = CreateDialogParamW(
        nullptr, MAKEINTRESOURCE(IDD_TEST), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(hParent, nullptr);
    HWND hDlg = CreateDialogIndirectParamW(
        nullptr, pTemplate, hParent, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(GetParent(hDlg), hParent);
    EXPECT_NE(GetDlgItem(hDlg, IDC_LIST), nullptr);
    EXPECT_NE(GetDlgItem(hDlg, IDC_COMBO), nullptr);
    DestroyWindow(hParent);
    EXPECT_FALSE(IsWindow(hDlg));
}

TEST(PlainProgram, MenusAndIconsFromTheResources)
{
    HMENU hMenu = LoadMenuW(nullptr, MAKEINTRESOURCE(IDM_POPUP));
    ASSERT_NE(hMenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(hMenu), 1);
    HMENU hPopup = GetSubMenu(hMenu, 0);
    ASSERT_NE(hPopup, nullptr);
    ASSERT_EQ(GetMenuItemCount(hPopup), 3);
    HMENU hRadio = GetSubMenu(hPopup, 0);
    ASSERT_NE(hRadio, nullptr);
    EXPECT_EQ(GetMenuItemID(hRadio, 0), static_cast<UINT>(IDM_ON));
    EXPECT_TRUE(GetMenuState(hRadio, IDM_OFF, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(hPopup, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(hPopup, IDM_EXIT, MF_BYCOMMAND) & MF_GRAYED);
    WCHAR text[16] = {};
    EXPECT_EQ(GetMenuStringW(hPopup, IDM_EXIT, text, 16, MF_BYCOMMAND), 4);
    EXPECT_EQ(std::u16string(text), u"Exit");
    EXPECT_TRUE(DestroyMenu(hMenu));
    SetLastError(0);
    EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCE(999)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

    // Icons are shared: the same resource gives the same handle.
    HICON hIcon = LoadIconW(nullptr, MAKEINTRESOURCE(IDI_TEST));
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCE(IDI_TEST)), hIcon);
    EXPECT_EQ(gwes::IconResourceNumber(hIcon), IDI_TEST); // what automation reports for a notification icon
    SetLastError(0);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCE(999)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    HBITMAP hBitmap = LoadBitmapW(nullptr, MAKEINTRESOURCE(IDB_TEST));
    EXPECT_NE(hBitmap, nullptr);
    EXPECT_TRUE(DeleteObject(hBitmap));
}
