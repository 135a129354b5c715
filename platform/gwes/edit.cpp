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

using EditMessage = ControlMessage<EditState>;

// The edit's text changed in a way the parent hears of.
void NotifyChanged(const EditMessage& m)
{
    NotifyParent(m.window, EN_UPDATE);
    if (Get(m.hwnd))
        NotifyParent(m.window, EN_CHANGE);
}

LRESULT SetText(const EditMessage& m)
{
    EditState& st = m.state;
    auto s = reinterpret_cast<LPCWSTR>(m.lParam);
    st.text = ToCase(s ? s : u"", m.window.style);
    if (static_cast<int>(st.text.size()) > st.limit && !st.multi)
        st.text.resize(static_cast<size_t>(st.limit));
    m.window.text = st.text;
    st.firstLine = 0;
    st.modified = false;
    st.Show();
    NotifyChanged(m);
    return TRUE;
}

LRESULT GetText(const EditMessage& m)
{
    auto buffer = reinterpret_cast<LPWSTR>(m.lParam);
    if (!buffer || m.wParam == 0)
        return 0;
    size_t n = std::min(m.state.text.size(), static_cast<size_t>(m.wParam) - 1);
    std::copy_n(m.state.text.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT LineScroll(const EditMessage& m)
{
    EditState& st = m.state;
    if (!st.multi)
        return FALSE;
    int lines = static_cast<int>(m.lParam);
    int count = static_cast<int>(st.LineStarts().size());
    st.firstLine = std::clamp(st.firstLine + lines, 0, std::max(count - 1, 0));
    st.ApplyScroll();
    if (int chars = static_cast<int>(static_cast<INT_PTR>(m.wParam)))
    {
        QScrollBar* h = st.multi->horizontalScrollBar();
        h->setValue(h->value() + chars * LOWORD(BaseUnitsOf(st.multi->font())));
    }
    return TRUE;
}

LRESULT Scroll(const EditMessage& m)
{
    if (!m.state.multi)
        return FALSE;
    int delta = m.wParam == SB_LINEDOWN   ? 1
                : m.wParam == SB_LINEUP   ? -1
                : m.wParam == SB_PAGEDOWN ? 10
                : m.wParam == SB_PAGEUP   ? -10
                                          : 0;
    int before = m.state.firstLine;
    LineScroll(EditMessage{m.hwnd, m.window, m.state, EM_LINESCROLL, 0, delta});
    return MAKELRESULT(m.state.firstLine - before, TRUE);
}

// The line that holds a character (the caret's for a negative position).
size_t LineOf(const EditState& st, const std::vector<size_t>& starts, INT_PTR position)
{
    size_t p = position < 0 ? st.Selection().first : std::min(static_cast<size_t>(position), st.text.size());
    return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
}

LRESULT LineIndex(const EditMessage& m)
{
    std::vector<size_t> starts = m.state.LineStarts();
    INT_PTR line = static_cast<INT_PTR>(m.wParam);
    if (line == -1)
        line = static_cast<INT_PTR>(LineOf(m.state, starts, -1));
    if (line < 0 || static_cast<size_t>(line) >= starts.size())
        return -1;
    return static_cast<LRESULT>(starts[static_cast<size_t>(line)]);
}

LRESULT LineFromChar(const EditMessage& m)
{
    std::vector<size_t> starts = m.state.LineStarts();
    INT_PTR pos = static_cast<INT_PTR>(m.wParam);
    size_t p = pos < 0 ? m.state.Selection().first : static_cast<size_t>(pos);
    return static_cast<LRESULT>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
}

LRESULT LineLength(const EditMessage& m)
{
    std::vector<size_t> starts = m.state.LineStarts();
    size_t line = LineOf(m.state, starts, static_cast<INT_PTR>(m.wParam));
    return static_cast<LRESULT>(m.state.LineEnd(starts[line]) - starts[line]);
}

LRESULT GetLine(const EditMessage& m)
{
    std::vector<size_t> starts = m.state.LineStarts();
    auto buffer = reinterpret_cast<LPWSTR>(m.lParam);
    if (!buffer || m.wParam >= starts.size())
        return 0;
    WORD max = 0;
    std::memcpy(&max, buffer, sizeof max); // the first word of the buffer holds its size
    size_t start = starts[m.wParam];
    size_t n = std::min<size_t>(m.state.LineEnd(start) - start, max);
    std::copy_n(m.state.text.data() + start, n, buffer);
    return static_cast<LRESULT>(n);
}

LRESULT GetSel(const EditMessage& m)
{
    auto [start, end] = m.state.Selection();
    if (m.wParam)
        *reinterpret_cast<DWORD*>(m.wParam) = static_cast<DWORD>(start);
    if (m.lParam)
        *reinterpret_cast<DWORD*>(m.lParam) = static_cast<DWORD>(end);
    return MAKELRESULT(std::min<size_t>(start, 0xFFFF), std::min<size_t>(end, 0xFFFF));
}

LRESULT SetSel(const EditMessage& m)
{
    EditState& st = m.state;
    INT_PTR start = static_cast<INT_PTR>(m.wParam), end = m.lParam;
    if (start == -1)
    {
        size_t caret = st.Selection().first;
        st.Select(caret, caret);
        return 0;
    }
    if (end == -1)
        end = static_cast<INT_PTR>(st.text.size());
    if (start > end)
        std::swap(start, end);
    st.Select(static_cast<size_t>(std::max<INT_PTR>(start, 0)),
              static_cast<size_t>(std::max<INT_PTR>(end, 0)));
    return 0;
}

LRESULT ReplaceSel(const EditMessage& m)
{
    EditState& st = m.state;
    auto s = reinterpret_cast<LPCWSTR>(m.lParam);
    std::u16string insert = ToCase(s ? s : u"", m.window.style);
    auto [start, end] = st.Selection();
    st.text.replace(start, end - start, insert);
    m.window.text = st.text;
    st.Show();
    st.Select(start + insert.size(), start + insert.size());
    st.modified = true;
    NotifyChanged(m);
    return 0;
}

LRESULT LimitText(const EditMessage& m)
{
    EditState& st = m.state;
    st.limit = m.wParam ? static_cast<int>(std::min<WPARAM>(m.wParam, 0x7FFFFFFE)) : 0x7FFFFFFE;
    if (st.line)
        st.line->setMaxLength(std::min(st.limit, 32767));
    return 0;
}

// Enter in a multi-line edit of a dialog presses the default button unless the edit wants it.
LRESULT KeyDown(const EditMessage& m)
{
    if (m.wParam != VK_RETURN || !m.state.multi || (m.window.style & ES_WANTRETURN))
        return m.Default();
    HWND dlg = m.hwnd;
    for (Window* p = Get(m.window.parent); p; p = p->IsChild() ? Get(p->parent) : nullptr)
        if (p->isDialog)
            dlg = p->hwnd;
    if (dlg == m.hwnd)
        return m.Default();
    LRESULT def = Send(dlg, DM_GETDEFID, 0, 0);
    UINT id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    Send(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(dlg, static_cast<int>(id))));
    return 0;
}

LRESULT Focus(const EditMessage& m)
{
    LRESULT r = m.Default();
    if (Get(m.hwnd))
        NotifyParent(m.window, m.msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
    return r;
}

LRESULT SetFont(const EditMessage& m)
{
    LRESULT r = m.Default();
    // Tab stops every 32 dialog units, as in the handheld's edits.
    if (m.state.multi)
        m.state.multi->setTabStopDistance(LOWORD(BaseUnitsOf(m.state.multi->font())) * 8);
    return r;
}

// Clipboard and undo go to the widget, whichever kind it is.
template <class OnLine, class OnMulti>
LRESULT WidgetAction(const EditMessage& m, OnLine onLine, OnMulti onMulti, LRESULT result)
{
    if (m.state.line)
        onLine(*m.state.line);
    else
        onMulti(*m.state.multi);
    return result;
}

LRESULT Undo(const EditMessage& m)
{
    return WidgetAction(
        m, [](QLineEdit& e) { e.undo(); }, [](QPlainTextEdit& e) { e.undo(); }, TRUE);
}

constexpr MessageHandler<EditState> kEditHandlers[] = {
    {WM_SETTEXT, SetText},
    {WM_GETTEXT, GetText},
    {WM_GETTEXTLENGTH, [](const EditMessage& m) { return static_cast<LRESULT>(m.state.text.size()); }},
    {EM_GETLINECOUNT, [](const EditMessage& m) { return static_cast<LRESULT>(m.state.LineStarts().size()); }},
    {EM_GETFIRSTVISIBLELINE,
     [](const EditMessage& m) { return static_cast<LRESULT>(m.state.multi ? m.state.firstLine : 0); }},
    {EM_LINESCROLL, LineScroll},
    {EM_SCROLL, Scroll},
    {EM_LINEINDEX, LineIndex},
    {EM_LINEFROMCHAR, LineFromChar},
    {EM_LINELENGTH, LineLength},
    {EM_GETLINE, GetLine},
    {EM_GETSEL, GetSel},
    {EM_SETSEL, SetSel},
    {EM_REPLACESEL, ReplaceSel},
    {EM_GETMODIFY, [](const EditMessage& m) -> LRESULT { return m.state.modified ? TRUE : FALSE; }},
    {EM_SETMODIFY,
     [](const EditMessage& m) -> LRESULT
     {
         m.state.modified = m.wParam != 0;
         return 0;
     }},
    {EM_SETREADONLY,
     [](const EditMessage& m) -> LRESULT
     {
         m.state.SetReadOnly(m.window, m.wParam != 0);
         return TRUE;
     }},
    {EM_LIMITTEXT, LimitText},
    {EM_GETLIMITTEXT, [](const EditMessage& m) -> LRESULT { return m.state.limit; }},
    {EM_SCROLLCARET,
     [](const EditMessage& m) -> LRESULT
     {
         if (m.state.multi)
             m.state.multi->ensureCursorVisible();
         return TRUE;
     }},
    {EM_CANUNDO,
     [](const EditMessage& m) -> LRESULT {
         return m.state.line ? m.state.line->isUndoAvailable() : m.state.multi->document()->isUndoAvailable();
     }},
    {EM_UNDO, Undo},
    {WM_UNDO, Undo},
    {WM_CUT,
     [](const EditMessage& m)
     {
         return WidgetAction(
             m, [](QLineEdit& e) { e.cut(); }, [](QPlainTextEdit& e) { e.cut(); }, 0);
     }},
    {WM_COPY,
     [](const EditMessage& m)
     {
         return WidgetAction(
             m, [](QLineEdit& e) { e.copy(); }, [](QPlainTextEdit& e) { e.copy(); }, 0);
     }},
    {WM_PASTE,
     [](const EditMessage& m)
     {
         return WidgetAction(
             m, [](QLineEdit& e) { e.paste(); }, [](QPlainTextEdit& e) { e.paste(); }, 0);
     }},
    {WM_CLEAR,
     [](const EditMessage& m)
     {
         return WidgetAction(
             m, [](QLineEdit& e) { e.del(); }, [](QPlainTextEdit& e) { e.textCursor().removeSelectedText(); },
             0);
     }},
    {WM_GETDLGCODE,
     [](const EditMessage& m) -> LRESULT
     { return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (m.state.multi ? DLGC_WANTALLKEYS : 0); }},
    {WM_KEYDOWN, KeyDown},
    {WM_SETFOCUS, Focus},
    {WM_KILLFOCUS, Focus},
    {WM_SETFONT, SetFont},
};

LRESULT CALLBACK EditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HandleControlMessage(kEditHandlers, hWnd, msg, wParam, lParam);
}

} // namespace

void RegisterEditClass()
{
    auto c = RegisterSystemClass(u"Edit", EditProc, MakeEdit);
    c->selfPainted = false;
}

} // namespace gwes
