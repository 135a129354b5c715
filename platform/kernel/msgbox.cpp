// Message boxes through the installed presenter.
#include <kernel/msgbox.h>
#include <kernel/utf8.h>

#include <atomic>
#include <cstdio>

namespace ce
{
namespace
{

std::atomic<MessageBoxPresenter*> g_presenter{nullptr};

} // namespace

MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter)
{
    return g_presenter.exchange(presenter);
}

MessageBoxPresenter* GetMessageBoxPresenter()
{
    return g_presenter;
}

int DefaultAnswer(UINT type)
{
    static const int buttons[][3] = {
        {IDOK, IDOK, IDOK},            // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},    // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},           // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL}, // MB_RETRYCANCEL
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind > MB_RETRYCANCEL)
        kind = MB_OK;
    UINT def = (type & MB_DEFMASK) >> 8;
    if (def > 2)
        def = 0;
    return buttons[kind][def];
}

RecordingPresenter::RecordingPresenter(int answer)
    : m_answer(answer), m_previous(SetMessageBoxPresenter(this))
{
}

RecordingPresenter::~RecordingPresenter()
{
    MessageBoxPresenter* self = this;
    g_presenter.compare_exchange_strong(self, m_previous);
}

int RecordingPresenter::Present(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    RecordedMessageBox box{hOwner, std::u16string(text), std::u16string(caption), type};
    m_boxes.push_back(box);
    return m_responder ? m_responder(box) : m_answer;
}

std::vector<std::u16string> RecordingPresenter::texts() const
{
    std::vector<std::u16string> out;
    for (const auto& b : m_boxes)
        out.push_back(b.text);
    return out;
}

} // namespace ce

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    std::u16string_view text = lpText ? std::u16string_view(lpText) : std::u16string_view();
    std::u16string_view caption = lpCaption ? std::u16string_view(lpCaption) : std::u16string_view(u"Error");
    if (ce::MessageBoxPresenter* presenter = ce::GetMessageBoxPresenter())
    {
        try
        {
            return presenter->Present(hWnd, text, caption, uType);
        }
        catch (...)
        {
            return 0;
        }
    }
    std::fprintf(stderr, "[%s] %s\n", ce::text::ToUtf8(caption).c_str(), ce::text::ToUtf8(text).c_str());
    return ce::DefaultAnswer(uType);
}
