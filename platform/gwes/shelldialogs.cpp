// The shell's dialogs on Qt: message boxes and the open/save file dialog, each in a nested loop. While
// one is open, automation can read it and answer it.
#include "host.h"

#include <gwes/shell.h>
#include <kernel/immortal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>

namespace gwes
{
namespace
{

struct OpenBox
{
    OpenMessageBox info;
    QPointer<QMessageBox> box;
    std::map<int, QAbstractButton*> buttons;
    int answer = 0;
};

struct OpenFileDialog
{
    FileDialogRequest request;
    QPointer<QFileDialog> dialog;
    std::optional<std::u16string> answer;
    bool answered = false;
};

// The message boxes and file dialogs open now, innermost last.
struct OpenDialogs
{
    std::vector<OpenBox*> boxes;
    std::vector<OpenFileDialog*> fileDialogs;
};

OpenDialogs& Open()
{
    static ce::Immortal<OpenDialogs> open;
    return open.get();
}

std::vector<int> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

QMessageBox::StandardButton StandardButton(int id)
{
    switch (id)
    {
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon BoxIcon(UINT type)
{
    switch (type & MB_ICONMASK)
    {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The default button of a box: the one MB_DEFBUTTONn names, the first when it has fewer.
int DefaultButton(UINT type, const std::vector<int>& buttons)
{
    size_t n = (type & MB_DEFMASK) >> 8;
    return n < buttons.size() ? buttons[n] : buttons.front();
}

QString Qt(std::u16string_view s)
{
    return ToQString(s);
}

// A box or dialog made on the heap as a child of its owner's widget: the owner may be destroyed while the
// box's loop runs, and its widget then deletes the box with it. The guard deletes what is left afterwards.
template <class T> class OwnedByOwner
{
public:
    explicit OwnedByOwner(T* widget) : m_widget(widget) {}
    ~OwnedByOwner() { delete m_widget.data(); }
    OwnedByOwner(const OwnedByOwner&) = delete;
    OwnedByOwner& operator=(const OwnedByOwner&) = delete;
    T* get() const { return m_widget.data(); }
    T* operator->() const { return m_widget.data(); }

private:
    QPointer<T> m_widget;
};

// While a box or dialog is open over a wait cursor, the pointer is an arrow again: the user has to
// answer it. The wait cursor comes back when it closes.
class ArrowWhileOpen
{
public:
    ArrowWhileOpen() : m_waiting(QApplication::overrideCursor() != nullptr)
    {
        if (m_waiting)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileOpen()
    {
        if (m_waiting)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileOpen(const ArrowWhileOpen&) = delete;
    ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

private:
    bool m_waiting;
};

} // namespace

int ShowMessageBox(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    if (!EnsureApplication())
        return 0;
    OpenBox open;
    open.info = {std::u16string(text), std::u16string(caption), type, ButtonsOf(type)};
    QWidget* parent = WidgetOf(hOwner);
    if (parent)
        parent = parent->window();
    OwnedByOwner<QMessageBox> box(
        new QMessageBox(BoxIcon(type), Qt(caption), Qt(text), QMessageBox::NoButton, parent));
    for (int id : open.info.buttons)
        open.buttons[id] = box->addButton(StandardButton(id));
    box->setDefaultButton(static_cast<QPushButton*>(open.buttons[DefaultButton(type, open.info.buttons)]));
    // Escape (and the close button) give Cancel where the box has one; an OK-only box answers OK.
    if (open.buttons.count(IDCANCEL))
        box->setEscapeButton(open.buttons[IDCANCEL]);
    else if (open.info.buttons.size() == 1)
        box->setEscapeButton(open.buttons[IDOK]);
    open.box = box.get();
    Open().boxes.push_back(&open);
    {
        ArrowWhileOpen arrow;
        box->exec();
    }
    Open().boxes.erase(std::remove(Open().boxes.begin(), Open().boxes.end(), &open), Open().boxes.end());
    if (open.answer)
        return open.answer;
    // A box that went with its owner was closed without an answer.
    for (const auto& [id, button] : open.buttons)
        if (box.get() && box->clickedButton() == button)
            return id;
    return open.buttons.count(IDCANCEL) ? IDCANCEL : DefaultButton(type, open.info.buttons);
}

std::optional<OpenMessageBox> CurrentMessageBox()
{
    if (Open().boxes.empty())
        return std::nullopt;
    return Open().boxes.back()->info;
}

BOOL AnswerMessageBox(int button)
{
    if (Open().boxes.empty())
        return FALSE;
    OpenBox& open = *Open().boxes.back();
    if (!open.buttons.count(button) || !open.box)
        return FALSE;
    open.answer = button;
    open.box->done(0);
    return TRUE;
}

namespace
{
std::u16string WithDefaultExtension(const FileDialogRequest& r, std::u16string path)
{
    if (r.defaultExt.empty())
        return path;
    QFileInfo info(ToQString(path));
    if (info.suffix().isEmpty() && !info.fileName().isEmpty() && !path.ends_with(u'.'))
        path += u"." + r.defaultExt;
    return path;
}
} // namespace

std::optional<std::u16string> RunFileDialog(const FileDialogRequest& request)
{
    if (!EnsureApplication())
        return std::nullopt;
    OpenFileDialog open;
    open.request = request;
    QWidget* parent = WidgetOf(request.owner);
    if (parent)
        parent = parent->window();
    OwnedByOwner<QFileDialog> dialog(new QFileDialog(parent, Qt(request.title)));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog->setFileMode(request.open && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& [name, patterns] : request.filters)
    {
        QString p = Qt(patterns);
        p.replace(u';', u' ');
        filters << Qt(name).trimmed() + QStringLiteral(" (") + p.trimmed() + QStringLiteral(")");
    }
    if (!filters.isEmpty())
        dialog->setNameFilters(filters);
    if (!request.defaultExt.empty())
        dialog->setDefaultSuffix(Qt(request.defaultExt));
    if (!request.initialDir.empty())
        dialog->setDirectory(Qt(request.initialDir));
    QString initial = Qt(request.initialName);
    if (!initial.isEmpty() && !initial.contains(u'*') && !initial.contains(u'?'))
        dialog->selectFile(initial);
    open.dialog = dialog.get();
    Open().fileDialogs.push_back(&open);
    int result = 0;
    {
        ArrowWhileOpen arrow;
        result = dialog->exec();
    }
    Open().fileDialogs.erase(std::remove(Open().fileDialogs.begin(), Open().fileDialogs.end(), &open),
                             Open().fileDialogs.end());
    if (open.answered)
        return open.answer;
    // A dialog that went with its owner was cancelled.
    if (result != QDialog::Accepted || !dialog.get() || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return WithDefaultExtension(request, FromQString(dialog->selectedFiles().front()));
}

std::optional<FileDialogRequest> CurrentFileDialog()
{
    if (Open().fileDialogs.empty())
        return std::nullopt;
    return Open().fileDialogs.back()->request;
}

BOOL AnswerFileDialog(const std::u16string& path)
{
    if (Open().fileDialogs.empty())
        return FALSE;
    OpenFileDialog& open = *Open().fileDialogs.back();
    if (!path.empty())
    {
        std::u16string full = WithDefaultExtension(open.request, path);
        if (open.request.open && open.request.mustExist && !QFileInfo(ToQString(full)).isFile())
            return FALSE;
        open.answer = full;
    }
    open.answered = true;
    if (open.dialog)
        static_cast<QDialog*>(open.dialog.data())->done(path.empty() ? QDialog::Rejected : QDialog::Accepted);
    return TRUE;
}

} // namespace gwes
