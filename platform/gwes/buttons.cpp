// The static and button control classes: labels, frames and pictures; push buttons, check boxes, radio
// buttons (with the automatic groups) and group boxes.
#include "host.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace gwes
{
namespace
{

// ----- Static
class StaticState : public ControlState
{
public:
    QLabel* label = nullptr;
    HANDLE image = nullptr;
    UINT imageType = IMAGE_BITMAP;
    // A bitmap the control loaded itself from its template: the control's own, deleted with it (an image
    // given with STM_SETIMAGE stays its giver's). Icons are shared and never deleted.
    HBITMAP ownBitmap = nullptr;

    ~StaticState() override
    {
        if (ownBitmap)
            DeleteObject(ownBitmap);
    }

    void TextChanged(Window& w) override
    {
        DWORD type = w.style & SS_TYPEMASK;
        if (type == SS_BITMAP || type == SS_ICON)
            return;
        label->setText(DisplayText(w.text, !(w.style & SS_NOPREFIX)));
    }

    void ShowImage(Window& w)
    {
        QPixmap pixmap;
        if (image && imageType == IMAGE_ICON)
            pixmap = QPixmap::fromImage(IconImage(static_cast<HICON>(image), GetSystemMetrics(SM_CXICON)));
        else if (image)
            pixmap = QPixmap::fromImage(BitmapImage(static_cast<HBITMAP>(image)));
        label->setPixmap(pixmap);
        // A picture takes the size of its image unless it centres it.
        if (!pixmap.isNull() && !(w.style & SS_CENTERIMAGE))
        {
            w.rect.right = w.rect.left + pixmap.width();
            w.rect.bottom = w.rect.top + pixmap.height();
            ApplyGeometry(w);
        }
    }
};

QWidget* MakeStatic(Window& w, QWidget* parent, const CREATESTRUCTW& cs)
{
    auto* label = new Host<QLabel>(w.hwnd, parent);
    auto state = std::make_unique<StaticState>();
    state->label = label;
    DWORD type = w.style & SS_TYPEMASK;
    Qt::Alignment vertical = (w.style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    switch (type)
    {
    case SS_CENTER:
        label->setAlignment(Qt::AlignHCenter | vertical);
        label->setWordWrap(true);
        break;
    case SS_RIGHT:
        label->setAlignment(Qt::AlignRight | vertical);
        label->setWordWrap(true);
        break;
    case SS_LEFT:
        label->setAlignment(Qt::AlignLeft | vertical);
        label->setWordWrap(true);
        break;
    case SS_BITMAP:
    case SS_ICON:
        label->setAlignment((w.style & SS_CENTERIMAGE) ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignTop));
        break;
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
    {
        int color = type == SS_BLACKRECT  ? COLOR_WINDOWFRAME
                    : type == SS_GRAYRECT ? COLOR_BTNSHADOW
                                          : COLOR_WINDOW;
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, ToQColor(SystemColor(color)));
        label->setPalette(pal);
        label->setAutoFillBackground(true);
        break;
    }
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        break;
    case SS_ETCHEDHORZ:
        label->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        break;
    case SS_ETCHEDVERT:
        label->setFrameStyle(QFrame::VLine | QFrame::Sunken);
        break;
    case SS_ETCHEDFRAME:
        label->setFrameStyle(QFrame::Box | QFrame::Sunken);
        break;
    default:
        label->setAlignment(Qt::AlignLeft | vertical);
        break;
    }
    if (w.style & SS_SUNKEN)
    {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    }
    else if ((w.style & WS_BORDER) && label->frameStyle() == QFrame::NoFrame)
    {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    label->setTextFormat(Qt::PlainText);
    if (type == SS_BITMAP || type == SS_ICON)
    {
        state->imageType = type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP;
        // The template names the image by ordinal: 0xFFFF, id.
        if (cs.lpszName && cs.lpszName[0] == 0xFFFF)
            state->image = LoadImageFromModule(cs.hInstance, cs.lpszName[1], state->imageType);
        if (state->imageType == IMAGE_BITMAP)
            state->ownBitmap = static_cast<HBITMAP>(state->image);
    }
    else
    {
        label->setText(DisplayText(w.text, !(w.style & SS_NOPREFIX)));
    }
    w.control = std::move(state);
    return label;
}

LRESULT CALLBACK StaticProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    StaticState* st = w ? w->State<StaticState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    switch (msg)
    {
    case WM_CREATE:
        if (st->image)
            st->ShowImage(*w);
        return 0;
    case STM_SETIMAGE:
    case STM_SETICON:
    {
        HANDLE old = st->image;
        st->imageType = msg == STM_SETICON ? IMAGE_ICON : static_cast<UINT>(wParam);
        st->image = msg == STM_SETICON ? reinterpret_cast<HANDLE>(wParam) : reinterpret_cast<HANDLE>(lParam);
        st->ShowImage(*w);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
        return static_cast<UINT>(wParam) == st->imageType ? reinterpret_cast<LRESULT>(st->image) : 0;
    case STM_GETICON:
        return st->imageType == IMAGE_ICON ? reinterpret_cast<LRESULT>(st->image) : 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    {
        LRESULT r = DefWindowProcW(hWnd, msg, wParam, lParam);
        if ((w->style & SS_NOTIFY) && Get(hWnd))
            NotifyParent(*w, msg == WM_LBUTTONUP ? STN_CLICKED : STN_DBLCLK);
        return r;
    }
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

// ----- Button
class ButtonState : public ControlState
{
public:
    QAbstractButton* button = nullptr;
    QGroupBox* group = nullptr;
    UINT check = BST_UNCHECKED;
    HANDLE image = nullptr;

    void TextChanged(Window& w) override
    {
        QString text = DisplayText(w.text, true);
        if (button)
            button->setText(text);
        if (group)
            group->setTitle(text);
    }

    void Sync()
    {
        if (!button)
            return;
        QSignalBlocker block(button);
        if (auto* box = qobject_cast<QCheckBox*>(button))
            box->setCheckState(check == BST_CHECKED         ? Qt::Checked
                               : check == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                            : Qt::Unchecked);
        else if (button->isCheckable())
            button->setChecked(check == BST_CHECKED);
    }
};

DWORD Type(const Window& w)
{
    return w.style & BS_TYPEMASK;
}

bool IsRadio(const Window& w)
{
    return w.cls->system && w.cls->name == u"Button" &&
           (Type(w) == BS_RADIOBUTTON || Type(w) == BS_AUTORADIOBUTTON);
}

// Unchecks the other radio buttons of the group of `w`: the siblings from the one with WS_GROUP at or
// before it up to the next one with WS_GROUP.
void UncheckGroup(Window& w)
{
    Window* parent = Get(w.parent);
    if (!parent)
        return;
    auto& c = parent->children;
    auto it = std::find(c.begin(), c.end(), w.hwnd);
    if (it == c.end())
        return;
    size_t index = static_cast<size_t>(it - c.begin());
    size_t begin = index;
    while (begin > 0 && !(Get(c[begin])->style & WS_GROUP))
        --begin;
    size_t end = index + 1;
    while (end < c.size() && !(Get(c[end])->style & WS_GROUP))
        ++end;
    for (size_t i = begin; i < end; ++i)
    {
        Window* other = Get(c[i]);
        if (i != index && other && IsRadio(*other))
            Send(c[i], BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void Clicked(HWND hWnd)
{
    std::shared_ptr<Window> w = Find(hWnd);
    ButtonState* st = w ? w->State<ButtonState>() : nullptr;
    if (!st)
        return;
    switch (Type(*w))
    {
    case BS_AUTOCHECKBOX:
        st->check = st->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        st->check = (st->check + 1) % 3;
        break;
    case BS_AUTORADIOBUTTON:
        st->check = BST_CHECKED;
        UncheckGroup(*w);
        break;
    default:
        break;
    }
    st->Sync();
    NotifyParent(*w, BN_CLICKED);
}

QWidget* MakeButton(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto state = std::make_unique<ButtonState>();
    QString text = DisplayText(w.text, true);
    QWidget* widget = nullptr;
    DWORD type = Type(w);
    bool pushLike = (w.style & BS_PUSHLIKE) != 0;
    bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
    bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    if (type == BS_GROUPBOX)
    {
        auto* g = new Host<QGroupBox>(w.hwnd, text, parent);
        // A group box only frames its siblings: it takes no clicks.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        state->group = g;
        widget = g;
    }
    else if ((check || radio) && pushLike)
    {
        auto* b = new Host<QPushButton>(w.hwnd, text, parent);
        b->setCheckable(true);
        b->setAutoDefault(false);
        state->button = b;
    }
    else if (check)
    {
        auto* b = new Host<QCheckBox>(w.hwnd, text, parent);
        b->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        state->button = b;
    }
    else if (radio)
    {
        auto* b = new Host<QRadioButton>(w.hwnd, text, parent);
        b->setAutoExclusive(false);
        state->button = b;
    }
    else
    {
        auto* b = new Host<QPushButton>(w.hwnd, text, parent);
        b->setAutoDefault(false);
        b->setDefault(type == BS_DEFPUSHBUTTON);
        state->button = b;
    }
    if (state->button)
    {
        widget = state->button;
        HWND hwnd = w.hwnd;
        QObject::connect(state->button, &QAbstractButton::clicked, [hwnd] { Clicked(hwnd); });
        if (!(w.style & WS_TABSTOP))
            state->button->setFocusPolicy(Qt::ClickFocus);
        state->Sync();
    }
    w.control = std::move(state);
    return widget;
}

LRESULT CALLBACK ButtonProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    ButtonState* st = w ? w->State<ButtonState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    DWORD type = Type(*w);
    bool checkable = type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX &&
                     type != BS_OWNERDRAW && type != BS_USERBUTTON;
    switch (msg)
    {
    case BM_GETCHECK:
        return checkable ? st->check : BST_UNCHECKED;
    case BM_SETCHECK:
        if (checkable)
        {
            UINT value = static_cast<UINT>(wParam);
            if (value == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)
                value = BST_CHECKED;
            st->check = value > BST_INDETERMINATE ? BST_CHECKED : value;
            st->Sync();
        }
        return 0;
    case BM_GETSTATE:
    {
        LRESULT state = checkable ? st->check : 0;
        if (st->button && st->button->isDown())
            state |= BST_PUSHED;
        if (st->button && st->button->hasFocus())
            state |= BST_FOCUS;
        return state;
    }
    case BM_SETSTATE:
        if (st->button)
            st->button->setDown(wParam != 0);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & 0xFFFF0000u) | static_cast<DWORD>(wParam & 0xFFFF);
        if (auto* push = qobject_cast<QPushButton*>(st->button))
            push->setDefault(Type(*w) == BS_DEFPUSHBUTTON);
        if (lParam && w->widget)
            w->widget->update();
        return 0;
    case BM_CLICK:
        if (st->button && st->button->isEnabled())
            st->button->click();
        return 0;
    case BM_SETIMAGE:
    {
        HANDLE old = st->image;
        st->image = reinterpret_cast<HANDLE>(lParam);
        if (st->button)
        {
            QPixmap pixmap = wParam == IMAGE_ICON
                                 ? QPixmap::fromImage(IconImage(static_cast<HICON>(st->image), 16))
                                 : QPixmap::fromImage(BitmapImage(static_cast<HBITMAP>(st->image)));
            st->button->setIcon(QIcon(pixmap));
            st->button->setIconSize(pixmap.size());
        }
        return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
        return reinterpret_cast<LRESULT>(st->image);
    case WM_GETDLGCODE:
        if (type == BS_GROUPBOX)
            return DLGC_STATIC;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterStaticClass()
{
    auto c = RegisterSystemClass(u"Static", StaticProc, MakeStatic);
    c->selfPainted = false;
}

void RegisterButtonClass()
{
    auto c = RegisterSystemClass(u"Button", ButtonProc, MakeButton);
    c->selfPainted = false;
}

} // namespace gwes
