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

LRESULT CALLBACK ComboProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    ComboState* st = w ? w->State<ComboState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    ListModel& list = st->list;
    auto text = [&] { return std::u16string(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u""); };
    switch (msg)
    {
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    {
        int index = msg == CB_ADDSTRING ? -1 : static_cast<int>(static_cast<INT_PTR>(wParam));
        int r = list.Insert(index, text(), st->sorted && msg == CB_ADDSTRING);
        if (r != CB_ERR)
            st->Rebuild();
        return r;
    }
    case CB_DELETESTRING:
    {
        int r = list.Delete(static_cast<int>(static_cast<INT_PTR>(wParam)));
        if (r != CB_ERR)
            st->Rebuild();
        return r;
    }
    case CB_RESETCONTENT:
        list.items.clear();
        list.cur = -1;
        st->editText.clear();
        st->Rebuild();
        return CB_OKAY;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(list.items.size());
    case CB_GETCURSEL:
        return list.cur;
    case CB_SETCURSEL:
    {
        int index = static_cast<int>(static_cast<INT_PTR>(wParam));
        bool valid = index >= 0 && index < static_cast<int>(list.items.size());
        list.cur = valid ? index : -1;
        if (!valid)
            st->editText.clear();
        st->ShowSelection();
        return valid ? index : CB_ERR;
    }
    case CB_GETLBTEXT:
        return list.CopyText(static_cast<int>(static_cast<INT_PTR>(wParam)),
                             reinterpret_cast<LPWSTR>(lParam));
    case CB_GETLBTEXTLEN:
        return list.CopyText(static_cast<int>(static_cast<INT_PTR>(wParam)), nullptr);
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
        return list.Find(static_cast<int>(static_cast<INT_PTR>(wParam)), text(), msg == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING:
    {
        int found = list.Find(static_cast<int>(static_cast<INT_PTR>(wParam)), text(), false);
        if (found != CB_ERR)
        {
            list.cur = found;
            st->ShowSelection();
        }
        return found;
    }
    case CB_GETITEMDATA:
    {
        int i = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (i < 0 || i >= static_cast<int>(list.items.size()))
            return CB_ERR;
        return static_cast<LRESULT>(list.items[static_cast<size_t>(i)].data);
    }
    case CB_SETITEMDATA:
    {
        int i = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (i < 0 || i >= static_cast<int>(list.items.size()))
            return CB_ERR;
        list.items[static_cast<size_t>(i)].data = static_cast<DWORD_PTR>(lParam);
        return TRUE;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            st->box->showPopup();
        else
            st->box->hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return st->box->view() && st->box->view()->isVisible() ? TRUE : FALSE;
    case CB_LIMITTEXT:
        if (st->box->lineEdit())
            st->box->lineEdit()->setMaxLength(wParam ? static_cast<int>(std::min<WPARAM>(wParam, 32767))
                                                     : 32767);
        return TRUE;
    case WM_SETTEXT:
        if (st->editable)
        {
            st->editText = text();
            w->text = st->editText;
            QSignalBlocker block(st->box->lineEdit());
            st->box->lineEdit()->setText(ToQString(st->editText));
            return TRUE;
        }
        else
        {
            // A drop-down list shows only its items: the text selects the item that has it.
            int found = list.Find(-1, text(), true);
            if (found == CB_ERR)
                return CB_ERR;
            list.cur = found;
            st->ShowSelection();
            return TRUE;
        }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    {
        std::u16string t = st->editable    ? st->editText
                           : list.cur >= 0 ? list.items[static_cast<size_t>(list.cur)].text
                                           : std::u16string();
        if (msg == WM_GETTEXTLENGTH)
            return static_cast<LRESULT>(t.size());
        auto buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = std::min(t.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(t.data(), n, buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    {
        LRESULT r = DefWindowProcW(hWnd, msg, wParam, lParam);
        if (Get(hWnd))
            NotifyParent(*w, msg == WM_SETFOCUS ? CBN_SETFOCUS : CBN_KILLFOCUS);
        return r;
    }
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
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
