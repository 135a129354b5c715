// The start-up baseline: a bare Qt Widgets program of the utility's shape, a 240x290 window with three
// tabs of labelled edits and two progress bars, and a notification icon (a tray icon where the desktop
// has a tray, otherwise a small icon window, as the utility's platform does). Once the icon is shown and
// the event loop runs, it writes one byte to the descriptor given as its argument.
//
//   startup_baseline FD
#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace
{

QWidget* Tab(const char* const* labels, bool bars)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    for (const char* const* label = labels; *label; ++label)
        form->addRow(new QLabel(QString::fromLatin1(*label)), new QLineEdit);
    if (bars)
        for (const char* label : {"Signal", "Quality"})
        {
            auto* bar = new QProgressBar;
            bar->setValue(60);
            form->addRow(new QLabel(QString::fromLatin1(label)), bar);
        }
    return page;
}

} // namespace

int main(int argc, char** argv)
{
    const int fd = argc > 1 ? std::atoi(argv[1]) : -1;
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Baseline"));
    window.setFixedSize(240, 290);
    auto* tabs = new QTabWidget;
    static const char* const status[] = {"SSID",    "Status", "Type", "Channel",
                                         "Tx rate", "IP",     "MAC",  nullptr};
    static const char* const radio[] = {"Radio", "Channel", "Power", "Domain", nullptr};
    static const char* const about[] = {"Driver", "Utility", "Web", "Mail", nullptr};
    tabs->addTab(Tab(status, true), QStringLiteral("Status"));
    tabs->addTab(Tab(radio, false), QStringLiteral("Radio"));
    tabs->addTab(Tab(about, false), QStringLiteral("About"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(tabs);
    window.show();

    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    std::unique_ptr<QSystemTrayIcon> tray;
    std::unique_ptr<QLabel> iconWindow;
    if (QSystemTrayIcon::isSystemTrayAvailable())
    {
        tray = std::make_unique<QSystemTrayIcon>(QIcon(picture));
        tray->show();
    }
    else
    {
        iconWindow = std::make_unique<QLabel>();
        iconWindow->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        iconWindow->setFixedSize(24, 24);
        iconWindow->setAlignment(Qt::AlignCenter);
        iconWindow->setPixmap(picture);
        iconWindow->show();
    }

    QTimer::singleShot(0,
                       [fd]
                       {
                           const char ready = 1;
                           if (fd >= 0 && ::write(fd, &ready, 1) != 1)
                               std::_Exit(1);
                       });
    return app.exec();
}
