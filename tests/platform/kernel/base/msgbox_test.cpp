// MessageBoxW without a window system: the installed presenter, the recorder tests use, and the default
// answer when nobody is asked.
#include <windows.h>

#include <kernel/msgbox.h>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(MessageBoxes, WithoutAPresenterTheDefaultButtonAnswers)
{
    ASSERT_EQ(ce::GetMessageBoxPresenter(), nullptr);
    struct Row
    {
        UINT type;
        int answer;
    };
    const Row rows[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        // An unknown kind is an OK box; a default button past the last is the first.
        {0x0F, IDOK},
        {MB_YESNO | 0x300, IDYES},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MessageBoxW(nullptr, u"unattended", u"test", row.type), row.answer) << row.type;
}

TEST(MessageBoxes, RecordersNestAndPutThePreviousPresenterBack)
{
    ce::RecordingPresenter outer(IDNO);
    {
        ce::RecordingPresenter inner(IDYES);
        EXPECT_EQ(ce::GetMessageBoxPresenter(), &inner);
        EXPECT_EQ(MessageBoxW(reinterpret_cast<HWND>(0x10000), u"inner", u"Caption", MB_YESNO), IDYES);
        ASSERT_EQ(inner.boxes().size(), 1u);
        EXPECT_EQ(inner.boxes()[0].owner, reinterpret_cast<HWND>(0x10000));
        EXPECT_EQ(inner.boxes()[0].caption, u"Caption");
        EXPECT_EQ(inner.boxes()[0].type, static_cast<UINT>(MB_YESNO));
    }
    EXPECT_EQ(ce::GetMessageBoxPresenter(), &outer);
    // No text is an empty one; no caption is "Error".
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, nullptr, MB_YESNO), IDNO);
    ASSERT_EQ(outer.boxes().size(), 1u);
    EXPECT_EQ(outer.boxes()[0].text, u"");
    EXPECT_EQ(outer.boxes()[0].caption, u"Error");
}

TEST(MessageBoxes, APresenterThatThrowsGivesNoAnswer)
{
    ce::RecordingPresenter recorder;
    recorder.SetResponder([](const ce::RecordedMessageBox&) -> int { throw std::runtime_error("gone"); });
    EXPECT_EQ(MessageBoxW(nullptr, u"text", u"caption", MB_OK), 0);
    EXPECT_EQ(recorder.boxes().size(), 1u);
}
