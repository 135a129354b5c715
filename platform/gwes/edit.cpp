// The edit control class: single-line (QLineEdit) and multi-line (QPlainTextEdit) edits. The control keeps
// its text as Windows sees it (lines end in CR LF) and its own first visible line, so the scroll messages
// answer the same whether or not the widget has been laid out on screen.
#include "host.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QValidator>

namespace gwes
{
namespace
{

std::u16string ToCase(std::u16string s, DWORD style)
{
    if (style & ES_UPPERCASE)
        for (auto& c : s)
            c = static_cast<char16_t>(towupper(c));
    else if (style & ES_LOWERCASE)
        for (auto& c : s)
            c = static_cast<char16_t>(towlower(c));
    return s;
}

// Converts typed text to upper or lower case and keeps ES_NUMBER edits to digits.
class CaseValidator : public QValidator
{
public:
    CaseValidator(DWORD style, QObject* parent) : QValidator(parent), m_style(style) {}
    State validate(QString& input, int&) const override
    {
        if (m_style & ES_NUMBER)
            for (QChar c : input)
                if (!c.isDigit())
                    return Invalid;
        if (m_style & ES_UPPERCASE)
            input = input.toUpper();
        else if (m_style & ES_LOWERCASE)
            input = input.toLower();
        return Acceptable;
    }

private:
    DWORD m_style;
};

class EditState : public ControlState
{
public:
    QLineEdit* line = nullptr;
    QPlainTextEdit* multi = nullptr;
    std::u16string text; // CR LF line ends in multi-line edits
    int firstLine = 0;
    int limit = 0x7FFFFFFE;
    bool modified = false;
    bool programmatic = false;
    bool userScroll = false;

    // Line starts of the text (indices into `text`), lines separated by CR LF.
    std::vector<size_t> LineStarts() const
    {
        std::vector<size_t> starts{0};
        if (!multi)
            return starts;
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == u'\r' && text[i + 1] == u'\n')
                starts.push_back(i + 2);
        return starts;
    }
    size_t LineEnd(size_t start) const
    {
        size_t end = text.find(u"\r\n", start);
        return end == std::u16string::npos ? text.size() : end;
    }

    // Positions in the widget's text (LF line ends) for positions in `text` and back.
    int ToWidget(size_t pos) const
    {
        pos = std::min(pos, text.size());
        if (!multi)
            return static_cast<int>(pos);
        size_t crs = 0;
        for (size_t i = 0; i < pos; ++i)
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++crs;
        return static_cast<int>(pos - crs);
    }
    size_t FromWidget(int pos) const
    {
        if (!multi)
            return static_cast<size_t>(std::max(pos, 0));
        size_t w = 0;
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (w == static_cast<size_t>(std::max(pos, 0)))
                return i;
            if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
                ++w;
        }
        return text.size();
    }

    void Show()
    {
        programmatic = true;
        if (line)
        {
            QSignalBlocker block(line);
            line->setText(ToQString(text));
        }
        else if (multi)
        {
            QString shown = ToQString(text);
            shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            QSignalBlocker block(multi);
            multi->setPlainText(shown);
            ApplyScroll();
        }
        programmatic = false;
    }

    void ApplyScroll()
    {
        if (!multi)
            return;
        QSignalBlocker block(multi->verticalScrollBar());
        multi->verticalScrollBar()->setValue(firstLine);
    }

    // The text the user changed, read back from the widget.
    void TakeFromWidget()
    {
        if (line)
            text = FromQString(line->text());
        else if (multi)
        {
            QString s = multi->toPlainText();
            s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            text = FromQString(s);
        }
    }

    std::pair<size_t, size_t> Selection() const
    {
        if (line)
        {
            int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
            int length = line->hasSelectedText() ? static_cast<int>(line->selectedText().size()) : 0;
            return {static_cast<size_t>(start), static_cast<size_t>(start + length)};
        }
        QTextCursor c = multi->textCursor();
        return {FromWidget(c.selectionStart()), FromWidget(c.selectionEnd())};
    }

    void Select(size_t start, size_t end)
    {
        start = std::min(start, text.size());
        end = std::min(end, text.size());
        if (line)
            line->setSelection(static_cast<int>(start), static_cast<int>(end) - static_cast<int>(start));
        else if (multi)
        {
            QTextCursor c = multi->textCursor();
            c.setPosition(ToWidget(start));
            c.setPosition(ToWidget(end), QTextCursor::KeepAnchor);
            multi->setTextCursor(c);
        }
    }

    void SetReadOnly(Window& w, bool readOnly)
    {
        if (readOnly)
            w.style |= ES_READONLY;
        else
            w.style &= ~static_cast<DWORD>(ES_READONLY);
        QWidget* widget = line ? static_cast<QWidget*>(line) : static_cast<QWidget*>(multi);
        if (line)
            line->setReadOnly(readOnly);
        if (multi)
            multi->setReadOnly(readOnly);
        // Read-only edits show on the dialog colour, as on the handheld.
        QPalette pal = widget->palette();
        pal.setColor(QPalette::Base, ToQColor(SystemColor(readOnly ? COLOR_BTNFACE : COLOR_WINDOW)));
        widget->setPalette(pal);
    }
};

void UserEdited(HWND hWnd)
{
    std::shared_ptr<Window> w = Find(hWnd);
    EditState* st = w ? w->State<EditState>() : nullptr;
    if (!st || st->programmatic)
        return;
    if (st->multi && (w->style & (ES_UPPERCASE | ES_LOWERCASE)))
    {
        QString now = st->multi->toPlainText();
        QString converted = (w->style & ES_UPPERCASE) ? now.toUpper() : now.toLower();
        if (converted != now)
        {
            int pos = st->multi->textCursor().position();
            st->programmatic = true;
            {
                QSignalBlocker block(st->multi);
                st->multi->setPlainText(converted);
                QTextCursor c = st->multi->textCursor();
                c.setPosition(std::min(pos, static_cast<int>(converted.size())));
                st->multi->setTextCursor(c);
            }
            st->programmatic = false;
        }
    }
    st->TakeFromWidget();
    w->text = st->text;
    st->modified = true;
    NotifyParent(*w, EN_UPDATE);
    if (Get(hWnd))
        NotifyParent(*w, EN_CHANGE);
}

QWidget* MakeEdit(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto state = std::make_unique<EditState>();
    HWND hwnd = w.hwnd;
    bool frame = (w.style & WS_BORDER) || (w.exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
    QWidget* widget = nullptr;
    if (w.style & ES_MULTILINE)
    {
        auto* e = new Host<QPlainTextEdit>(hwnd, parent);
        bool wrap = !(w.style & (WS_HSCROLL | ES_AUTOHSCROLL));
        e->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        e->setVerticalScrollBarPolicy((w.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy((w.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAlwaysOff);
        e->setTabChangesFocus(true);
        e->setTabStopDistance(LOWORD(BaseUnitsOf(e->font())) * 8);
        if (!frame)
            e->setFrameStyle(QFrame::NoFrame);
        QObject::connect(e, &QPlainTextEdit::textChanged, [hwnd] { UserEdited(hwnd); });
        QScrollBar* bar = e->verticalScrollBar();
        // Only the user's own scrolling moves the first visible line; layout changes do not.
        QObject::connect(bar, &QScrollBar::actionTriggered,
                         [hwnd](int)
                         {
                             if (Window* win = Get(hwnd))
                                 if (auto* s = win->State<EditState>())
                                     s->userScroll = true;
                         });
        QObject::connect(bar, &QScrollBar::valueChanged,
                         [hwnd](int value)
                         {
                             if (Window* win = Get(hwnd))
                                 if (auto* s = win->State<EditState>(); s && s->userScroll)
                                 {
                                     s->firstLine = value;
                                     s->userScroll = false;
                                 }
                         });
        state->multi = e;
        widget = e;
    }
    else
    {
        auto* e = new Host<QLineEdit>(hwnd, parent);
        e->setFrame(frame);
        if (w.style & ES_CENTER)
            e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        else if (w.style & ES_RIGHT)
            e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (w.style & ES_PASSWORD)
            e->setEchoMode(QLineEdit::Password);
        if (w.style & (ES_UPPERCASE | ES_LOWERCASE | ES_NUMBER))
            e->setValidator(new CaseValidator(w.style, e));
        QObject::connect(e, &QLineEdit::textEdited, [hwnd](const QString&) { UserEdited(hwnd); });
        state->line = e;
        widget = e;
    }
    state->text = ToCase(w.text, w.style);
    w.text = state->text;
    state->SetReadOnly(w, (w.style & ES_READONLY) != 0);
    state->Show();
    w.control = std::move(state);
    return widget;
}

LRESULT CALLBACK EditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    EditState* st = w ? w->State<EditState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    switch (msg)
    {
    case WM_SETTEXT:
    {
        auto s = reinterpret_cast<LPCWSTR>(lParam);
        st->text = ToCase(s ? s : u"", w->style);
        if (static_cast<int>(st->text.size()) > st->limit && !st->multi)
            st->text.resize(static_cast<size_t>(st->limit));
        w->text = st->text;
        st->firstLine = 0;
        st->modified = false;
        st->Show();
        NotifyParent(*w, EN_UPDATE);
        if (Get(hWnd))
            NotifyParent(*w, EN_CHANGE);
        return TRUE;
    }
    case WM_GETTEXT:
    {
        auto buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = std::min(st->text.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(st->text.data(), n, buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(st->text.size());
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(st->LineStarts().size());
    case EM_GETFIRSTVISIBLELINE:
        return st->multi ? st->firstLine : 0;
    case EM_LINESCROLL:
    {
        if (!st->multi)
            return FALSE;
        int lines = static_cast<int>(lParam);
        int count = static_cast<int>(st->LineStarts().size());
        st->firstLine = std::clamp(st->firstLine + lines, 0, std::max(count - 1, 0));
        st->ApplyScroll();
        if (int chars = static_cast<int>(static_cast<INT_PTR>(wParam)))
        {
            QScrollBar* h = st->multi->horizontalScrollBar();
            h->setValue(h->value() + chars * LOWORD(BaseUnitsOf(st->multi->font())));
        }
        return TRUE;
    }
    case EM_SCROLL:
    {
        if (!st->multi)
            return FALSE;
        int delta = wParam == SB_LINEDOWN   ? 1
                    : wParam == SB_LINEUP   ? -1
                    : wParam == SB_PAGEDOWN ? 10
                    : wParam == SB_PAGEUP   ? -10
                                            : 0;
        int before = st->firstLine;
        EditProc(hWnd, EM_LINESCROLL, 0, delta);
        return MAKELRESULT(st->firstLine - before, TRUE);
    }
    case EM_LINEINDEX:
    {
        std::vector<size_t> starts = st->LineStarts();
        INT_PTR line = static_cast<INT_PTR>(wParam);
        if (line == -1)
        {
            size_t caret = st->Selection().first;
            line =
                static_cast<INT_PTR>(std::upper_bound(starts.begin(), starts.end(), caret) - starts.begin()) -
                1;
        }
        if (line < 0 || static_cast<size_t>(line) >= starts.size())
            return -1;
        return static_cast<LRESULT>(starts[static_cast<size_t>(line)]);
    }
    case EM_LINEFROMCHAR:
    {
        std::vector<size_t> starts = st->LineStarts();
        INT_PTR pos = static_cast<INT_PTR>(wParam);
        size_t p = pos < 0 ? st->Selection().first : static_cast<size_t>(pos);
        return static_cast<LRESULT>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
    }
    case EM_LINELENGTH:
    {
        std::vector<size_t> starts = st->LineStarts();
        INT_PTR pos = static_cast<INT_PTR>(wParam);
        size_t p = pos < 0 ? st->Selection().first : std::min(static_cast<size_t>(pos), st->text.size());
        size_t line =
            static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
        return static_cast<LRESULT>(st->LineEnd(starts[line]) - starts[line]);
    }
    case EM_GETLINE:
    {
        std::vector<size_t> starts = st->LineStarts();
        auto buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam >= starts.size())
            return 0;
        WORD max = 0;
        std::memcpy(&max, buffer, sizeof max); // the first word of the buffer holds its size
        size_t start = starts[wParam];
        size_t n = std::min<size_t>(st->LineEnd(start) - start, max);
        std::copy_n(st->text.data() + start, n, buffer);
        return static_cast<LRESULT>(n);
    }
    case EM_GETSEL:
    {
        auto [start, end] = st->Selection();
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
        return MAKELRESULT(std::min<size_t>(start, 0xFFFF), std::min<size_t>(end, 0xFFFF));
    }
    case EM_SETSEL:
    {
        INT_PTR start = static_cast<INT_PTR>(wParam), end = lParam;
        if (start == -1)
        {
            size_t caret = st->Selection().first;
            st->Select(caret, caret);
            return 0;
        }
        if (end == -1)
            end = static_cast<INT_PTR>(st->text.size());
        if (start > end)
            std::swap(start, end);
        st->Select(static_cast<size_t>(std::max<INT_PTR>(start, 0)),
                   static_cast<size_t>(std::max<INT_PTR>(end, 0)));
        return 0;
    }
    case EM_REPLACESEL:
    {
        auto s = reinterpret_cast<LPCWSTR>(lParam);
        std::u16string insert = ToCase(s ? s : u"", w->style);
        auto [start, end] = st->Selection();
        st->text.replace(start, end - start, insert);
        w->text = st->text;
        st->Show();
        st->Select(start + insert.size(), start + insert.size());
        st->modified = true;
        NotifyParent(*w, EN_UPDATE);
        if (Get(hWnd))
            NotifyParent(*w, EN_CHANGE);
        return 0;
    }
    case EM_GETMODIFY:
        return st->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        st->modified = wParam != 0;
        return 0;
    case EM_SETREADONLY:
        st->SetReadOnly(*w, wParam != 0);
        return TRUE;
    case EM_LIMITTEXT:
        st->limit = wParam ? static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE)) : 0x7FFFFFFE;
        if (st->line)
            st->line->setMaxLength(std::min(st->limit, 32767));
        return 0;
    case EM_GETLIMITTEXT:
        return st->limit;
    case EM_SCROLLCARET:
        if (st->multi)
            st->multi->ensureCursorVisible();
        return TRUE;
    case EM_CANUNDO:
        return st->line ? st->line->isUndoAvailable() : st->multi->document()->isUndoAvailable();
    case EM_UNDO:
    case WM_UNDO:
        st->line ? st->line->undo() : st->multi->undo();
        return TRUE;
    case WM_CUT:
        st->line ? st->line->cut() : st->multi->cut();
        return 0;
    case WM_COPY:
        st->line ? st->line->copy() : st->multi->copy();
        return 0;
    case WM_PASTE:
        st->line ? st->line->paste() : st->multi->paste();
        return 0;
    case WM_CLEAR:
        st->line ? st->line->del() : st->multi->textCursor().removeSelectedText();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (st->multi ? DLGC_WANTALLKEYS : 0);
    case WM_KEYDOWN:
        // Enter in a multi-line edit of a dialog presses the default button unless the edit wants it.
        if (wParam == VK_RETURN && st->multi && !(w->style & ES_WANTRETURN))
        {
            HWND dlg = hWnd;
            for (Window* p = Get(w->parent); p; p = p->IsChild() ? Get(p->parent) : nullptr)
                if (p->isDialog)
                    dlg = p->hwnd;
            if (dlg != hWnd)
            {
                LRESULT def = Send(dlg, DM_GETDEFID, 0, 0);
                UINT id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                Send(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, static_cast<int>(id))));
                return 0;
            }
        }
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    {
        LRESULT r = DefWindowProcW(hWnd, msg, wParam, lParam);
        if (Get(hWnd))
            NotifyParent(*w, msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
        return r;
    }
    case WM_SETFONT:
    {
        LRESULT r = DefWindowProcW(hWnd, msg, wParam, lParam);
        // Tab stops every 32 dialog units, as in the handheld's edits.
        if (st->multi)
            st->multi->setTabStopDistance(LOWORD(BaseUnitsOf(st->multi->font())) * 8);
        return r;
    }
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterEditClass()
{
    auto c = RegisterSystemClass(u"Edit", EditProc, MakeEdit);
    c->selfPainted = false;
}

} // namespace gwes
