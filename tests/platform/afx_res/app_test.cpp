// The application object and its message boxes in the framework's core, without the window system.
#include <afxwin.h>

#include <kernel/msgbox.h>

#include <gtest/gtest.h>

namespace
{

class TestApp : public CWinApp
{
public:
    TestApp() : CWinApp(u"Test Utility") {}
    BOOL InitInstance() override
    {
        ++initInstanceCalls;
        return TRUE;
    }
    int initInstanceCalls = 0;
};

} // namespace

TEST(Application, TheApplicationObjectRegistersItselfForItsLifetime)
{
    CWinApp* before = AfxGetApp();
    {
        TestApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(std::u16string(AfxGetAppName()), u"Test Utility");
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        EXPECT_TRUE(app.InitApplication());
        // Without a window system Run only ends the application.
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
    }
    EXPECT_EQ(AfxGetApp(), before);
}

TEST(MessageBoxes, TheRecorderSeesTextCaptionAndTypeAndAnswers)
{
    TestApp app;
    ce::RecordingPresenter recorder(IDCANCEL);
    EXPECT_EQ(AfxMessageBox(u"Fail to read"), IDCANCEL);
    EXPECT_EQ(AfxMessageBox(u"Sure?", MB_YESNO | MB_ICONQUESTION), IDCANCEL);
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[0].text, u"Fail to read");
    EXPECT_EQ(recorder.boxes()[0].caption, u"Test Utility");
    EXPECT_EQ(recorder.boxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(recorder.boxes()[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));

    // A framework prompt the program does not carry shows its built-in text.
    recorder.clear();
    recorder.SetResponder([](const ce::RecordedMessageBox& box)
                          { return box.text.empty() ? IDABORT : IDOK; });
    EXPECT_EQ(AfxMessageBox(AFX_IDP_PARSE_INT), IDOK);
    EXPECT_EQ(recorder.texts(), std::vector<std::u16string>{u"Please enter an integer."});
}
