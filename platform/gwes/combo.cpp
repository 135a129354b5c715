// The combo box and list box classes. The control keeps its list and selection itself (Windows semantics:
// adding items selects nothing, CB_SETCURSEL notifies nobody) and shows them in a Qt widget; a choice made
// by the user is reported to the parent with CBN_SELCHANGE.
#include "host.h"

#include <kernel/text.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace gwes
{
namespace
{

struct Item
{
    std::u16string text;
    DWORD_PTR data = 0;
};

using ce::text::CompareNoCase;
using ce::text::StartsWithNoCase;

// The list part shared by combo boxes and list boxes.
class ListModel
{
public:
    std::vector<Item> items;
    int cur = -1;

    int Insert(int index, std::u16string text, bool sorted)
    {
        if (sorted)
        {
            index = 0;
            while (index < static_cast<int>(items.size()) &&
                   CompareNoCase(items[static_cast<size_t>(index)].text, text) <= 0)
                ++index;
        }
        else if (index < 0)
        {
            index = static_cast<int>(items.size());
        }
        if (index > static_cast<int>(items.size()))
            return CB_ERR;
        items.insert(items.begin() + index, Item{std::move(text), 0});
        if (cur >= index)
            ++cur;
        return index;
    }
    int Delete(int index)
    {
        if (index < 0 || index >= static_cast<int>(items.size()))
            return CB_ERR;
        items.erase(items.begin() + index);
        if (cur == index)
            cur = -1;
        else if (cur > index)
            --cur;
        return static_cast<int>(items.size());
    }
    int Find(int startAfter, const std::u16string& s, bool exact) const
    {
        int n = static_cast<int>(items.size());
        if (n == 0)
            return CB_ERR;
        int first = (startAfter < 0 || startAfter >= n) ? 0 : startAfter + 1;
        for (int k = 0; k < n; ++k)
        {
            const Item& item = items[static_cast<size_t>((first + k) % n)];
            if (exact ? CompareNoCase(item.text, s) == 0 : StartsWithNoCase(item.text, s))
                return (first + k) % n;
        }
        return CB_ERR;
    }
    LRESULT CopyText(int index, LPWSTR buffer) const
    {
        if (index < 0 || index >= static_cast<int>(items.size()))
            return CB_ERR;
        const std::u16string& t = items[static_cast<size_t>(index)].text;
        if (buffer)
        {
            std::copy(t.begin(), t.end(), buffer);
            buffer[t.size()] = 0;
        }
        return static_cast<LRESULT>(t.size());
    }
};

class ComboWidget;

class ComboState : public ControlState
{
public:
    ComboWidget* box = nullptr;
    ListModel list;
    bool sorted = false;
    bool editable = false;
    std::u16string editText;

    void Rebuild();
    void ShowSelection();
};

class ComboWidget : public Host<QComboBox>
{
public:
    using Host<QComboBox>::Host;
    void showPopup() override
    {
        if (Window* w = Get(hwnd()))
            NotifyParent(*w, CBN_DROPDOWN);
        Host<QComboBox>::showPopup();
    }
    void hidePopup() override
    {
        Host<QComboBox>::hidePopup();
        if (Window* w = Get(hwnd()))
            NotifyParent(*w, CBN_CLOSEUP);
    }
};

void ComboState::Rebuild()
{
    QSignalBlocker block(box);
    box->clear();
    for (const Item& item : list.items)
        box->addItem(ToQString(item.text));
    ShowSelection();
}

void ComboState::ShowSelection()
{
    QSignalBlocker block(box);
    box->setCurrentIndex(list.cur);
    if (editable && box->lineEdit())
    {
        if (list.cur >= 0)
            editText = list.items[static_cast<size_t>(list.cur)].text;
        QSignalBlocker blockEdit(box->lineEdit());
        box->lineEdit()->setText(ToQString(editText));
    }
}

void UserChose(HWND hWnd, int index)
{
    std::shared_ptr<Window> w = Find(hWnd);
    ComboState* st = w ? w->State<ComboState>() : nullptr;
    if (!st || index < 0 || index >= static_cast<int>(st->list.items.size()))
        return;
    st->list.cur = index;
    st->ShowSelection();
    NotifyParent(*w, CBN_SELCHANGE);
    if (Get(hWnd))
        NotifyParent(*w, CBN_SELENDOK);
}

void UserTyped(HWND hWnd, const QString& text)
{
    std::shared_ptr<Window> w = Find(hWnd);
    ComboState* st = w ? w->State<ComboState>() : nullptr;
    if (!st)
        return;
    st->editText = FromQString(text);
    NotifyParent(*w, CBN_EDITUPDATE);
    if (Get(hWnd))
        NotifyParent(*w, CBN_EDITCHANGE);
}

QWidget* MakeCombo(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto state = std::make_unique<ComboState>();
    HWND hwnd = w.hwnd;
    auto* box = new ComboWidget(hwnd, parent);
    DWORD kind = w.style & 3;
    state->editable = kind == CBS_DROPDOWN || kind == CBS_SIMPLE;
    state->sorted = (w.style & CBS_SORT) != 0;
    box->setEditable(state->editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    state->box = box;
    QObject::connect(box, QOverload<int>::of(&QComboBox::activated), [hwnd](int i) { UserChose(hwnd, i); });
    if (box->lineEdit())
    {
        box->lineEdit()->setText(QString());
        QObject::connect(box->lineEdit(), &QLineEdit::textEdited,
                         [hwnd](const QString& t) { UserTyped(hwnd, t); });
    }
    // The template's height includes the drop-down list; the window itself is as high as its field.
    int full = w.rect.bottom - w.rect.top;
    int field = box->sizeHint().height();
    int itemHeight = QFontMetrics(box->font()).height() + 2;
    box->setMaxVisibleItems(std::max(1, (full - field) / std::max(itemHeight, 1)));
    if (kind != CBS_SIMPLE)
        w.rect.bottom = w.rect.top + field;
    state->ShowSelection();
    w.control = std::move(state);
    return box;
}

using ComboMessage = ControlMessage<ComboState>;

std::u16string TextOf(const ComboMessage& m)
{
    return std::u16string(m.lParam ? reinterpret_cast<LPCWSTR>(m.lParam) : u"");
}

LRESULT AddString(const ComboMessage& m)
{
    const bool add = m.msg == CB_ADDSTRING;
    int r = m.state.list.Insert(add ? -1 : m.Index(), TextOf(m), m.state.sorted && add);
    if (r != CB_ERR)
        m.state.Rebuild();
    return r;
}

LRESULT DeleteString(const ComboMessage& m)
{
    int r = m.state.list.Delete(m.Index());
    if (r != CB_ERR)
        m.state.Rebuild();
    return r;
}

LRESULT ResetContent(const ComboMessage& m)
{
    m.state.list.items.clear();
    m.state.list.cur = -1;
    m.state.editText.clear();
    m.state.Rebuild();
    return CB_OKAY;
}

LRESULT SetCurSel(const ComboMessage& m)
{
    ListModel& list = m.state.list;
    const int index = m.Index();
    bool valid = index >= 0 && index < static_cast<int>(list.items.size());
    list.cur = valid ? index : -1;
    if (!valid)
        m.state.editText.clear();
    m.state.ShowSelection();
    return valid ? index : CB_ERR;
}

LRESULT SelectString(const ComboMessage& m)
{
    int found = m.state.list.Find(m.Index(), TextOf(m), false);
    if (found != CB_ERR)
    {
        m.state.list.cur = found;
        m.state.ShowSelection();
    }
    return found;
}

LRESULT GetItemData(const ComboMessage& m)
{
    const auto& items = m.state.list.items;
    if (m.Index() < 0 || m.Index() >= static_cast<int>(items.size()))
        return CB_ERR;
    return static_cast<LRESULT>(items[static_cast<size_t>(m.Index())].data);
}

LRESULT SetItemData(const ComboMessage& m)
{
    auto& items = m.state.list.items;
    if (m.Index() < 0 || m.Index() >= static_cast<int>(items.size()))
        return CB_ERR;
    items[static_cast<size_t>(m.Index())].data = static_cast<DWORD_PTR>(m.lParam);
    return TRUE;
}

LRESULT ShowDropDown(const ComboMessage& m)
{
    if (m.wParam)
        m.state.box->showPopup();
    else
        m.state.box->hidePopup();
    return TRUE;
}

LRESULT LimitText(const ComboMessage& m)
{
    if (QLineEdit* edit = m.state.box->lineEdit())
        edit->setMaxLength(m.wParam ? static_cast<int>(std::min<WPARAM>(m.wParam, 32767)) : 32767);
    return TRUE;
}

LRESULT SetText(const ComboMessage& m)
{
    ComboState& st = m.state;
    if (st.editable)
    {
        st.editText = TextOf(m);
        m.window.text = st.editText;
        QSignalBlocker block(st.box->lineEdit());
        st.box->lineEdit()->setText(ToQString(st.editText));
        return TRUE;
    }
    // A drop-down list shows only its items: the text selects the item that has it.
    int found = st.list.Find(-1, TextOf(m), true);
    if (found == CB_ERR)
        return CB_ERR;
    st.list.cur = found;
    st.ShowSelection();
    return TRUE;
}

LRESULT GetText(const ComboMessage& m)
{
    const ComboState& st = m.state;
    std::u16string t = st.editable        ? st.editText
                       : st.list.cur >= 0 ? st.list.items[static_cast<size_t>(st.list.cur)].text
                                          : std::u16string();
    if (m.msg == WM_GETTEXTLENGTH)
        return static_cast<LRESULT>(t.size());
    auto buffer = reinterpret_cast<LPWSTR>(m.lParam);
    if (!buffer || m.wParam == 0)
        return 0;
    size_t n = std::min(t.size(), static_cast<size_t>(m.wParam) - 1);
    std::copy_n(t.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT Focus(const ComboMessage& m)
{
    LRESULT r = m.Default();
    if (Get(m.hwnd))
        NotifyParent(m.window, m.msg == WM_SETFOCUS ? CBN_SETFOCUS : CBN_KILLFOCUS);
    return r;
}

constexpr MessageHandler<ComboState> kComboHandlers[] = {
    {CB_ADDSTRING, AddString},
    {CB_INSERTSTRING, AddString},
    {CB_DELETESTRING, DeleteString},
    {CB_RESETCONTENT, ResetContent},
    {CB_GETCOUNT, [](const ComboMessage& m) { return static_cast<LRESULT>(m.state.list.items.size()); }},
    {CB_GETCURSEL, [](const ComboMessage& m) -> LRESULT { return m.state.list.cur; }},
    {CB_SETCURSEL, SetCurSel},
    {CB_GETLBTEXT, [](const ComboMessage& m)
     { return m.state.list.CopyText(m.Index(), reinterpret_cast<LPWSTR>(m.lParam)); }},
    {CB_GETLBTEXTLEN, [](const ComboMessage& m) { return m.state.list.CopyText(m.Index(), nullptr); }},
    {CB_FINDSTRING,
     [](const ComboMessage& m) -> LRESULT { return m.state.list.Find(m.Index(), TextOf(m), false); }},
    {CB_FINDSTRINGEXACT,
     [](const ComboMessage& m) -> LRESULT { return m.state.list.Find(m.Index(), TextOf(m), true); }},
    {CB_SELECTSTRING, SelectString},
    {CB_GETITEMDATA, GetItemData},
    {CB_SETITEMDATA, SetItemData},
    {CB_SHOWDROPDOWN, ShowDropDown},
    {CB_GETDROPPEDSTATE,
     [](const ComboMessage& m) -> LRESULT
     { return m.state.box->view() && m.state.box->view()->isVisible() ? TRUE : FALSE; }},
    {CB_LIMITTEXT, LimitText},
    {WM_SETTEXT, SetText},
    {WM_GETTEXT, GetText},
    {WM_GETTEXTLENGTH, GetText},
    {WM_GETDLGCODE, [](const ComboMessage&) -> LRESULT { return DLGC_WANTARROWS | DLGC_WANTCHARS; }},
    {WM_SETFOCUS, Focus},
    {WM_KILLFOCUS, Focus},
};

LRESULT CALLBACK ComboProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HandleControlMessage(kComboHandlers, hWnd, msg, wParam, lParam);
}

// ----- List box
class ListState : public ControlState
{
public:
    QListWidget* view = nullptr;
    ListModel list;
    bool sorted = false;

    void Rebuild()
    {
        QSignalBlocker block(view);
        view->clear();
        for (const Item& item : list.items)
            view->addItem(ToQString(item.text));
        view->setCurrentRow(list.cur);
    }
};

QWidget* MakeList(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto state = std::make_unique<ListState>();
    HWND hwnd = w.hwnd;
    auto* view = new Host<QListWidget>(hwnd, parent);
    state->view = view;
    state->sorted = (w.style & LBS_SORT) != 0;
    QObject::connect(view, &QListWidget::currentRowChanged,
                     [hwnd](int row)
                     {
                         std::shared_ptr<Window> win = Find(hwnd);
                         ListState* s = win ? win->State<ListState>() : nullptr;
                         if (!s)
                             return;
                         s->list.cur = row;
                         if (win->style & LBS_NOTIFY)
                             NotifyParent(*win, LBN_SELCHANGE);
                     });
    w.control = std::move(state);
    return view;
}

LRESULT CALLBACK ListProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    ListState* st = w ? w->State<ListState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    ListModel& list = st->list;
    auto text = [&] { return std::u16string(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u""); };
    int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (msg)
    {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    {
        int r = list.Insert(msg == LB_ADDSTRING ? -1 : index, text(), st->sorted && msg == LB_ADDSTRING);
        if (r != LB_ERR)
            st->Rebuild();
        return r;
    }
    case LB_DELETESTRING:
    {
        int r = list.Delete(index);
        if (r != LB_ERR)
            st->Rebuild();
        return r;
    }
    case LB_RESETCONTENT:
        list.items.clear();
        list.cur = -1;
        st->Rebuild();
        return 0;
    case LB_GETCOUNT:
        return static_cast<LRESULT>(list.items.size());
    case LB_GETCURSEL:
        return list.cur;
    case LB_SETCURSEL:
    {
        bool valid = index >= 0 && index < static_cast<int>(list.items.size());
        list.cur = valid ? index : -1;
        st->Rebuild();
        return valid ? index : LB_ERR;
    }
    case LB_GETTEXT:
        return list.CopyText(index, reinterpret_cast<LPWSTR>(lParam));
    case LB_GETTEXTLEN:
        return list.CopyText(index, nullptr);
    case LB_FINDSTRINGEXACT:
        return list.Find(index, text(), true);
    case LB_GETITEMDATA:
        return index >= 0 && index < static_cast<int>(list.items.size())
                   ? static_cast<LRESULT>(list.items[static_cast<size_t>(index)].data)
                   : LB_ERR;
    case LB_SETITEMDATA:
        if (index < 0 || index >= static_cast<int>(list.items.size()))
            return LB_ERR;
        list.items[static_cast<size_t>(index)].data = static_cast<DWORD_PTR>(lParam);
        return TRUE;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterComboClasses()
{
    RegisterSystemClass(u"ComboBox", ComboProc, MakeCombo)->selfPainted = false;
    RegisterSystemClass(u"ListBox", ListProc, MakeList)->selfPainted = false;
}

} // namespace gwes
