// How long the main window makes a menu key wait while it polls a slow or a
// silent probe. A second thread "presses" the key at moments spread over the
// polling cycles; the window opens its Configurar menu when it gets to the
// key, and the wait is the time between the two. Not a test: a scenario.
//
//   vimbo_responsiveness --link-ms 50          a probe 50 ms away, stored settings
//   vimbo_responsiveness --silent              a silent probe at 3 s x (1 + 2 retries)
#include "FakeDialogs.h"
#include "ProbeSimProcess.h"
#include "SnmpClient.h"
#include "core/Clock.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// A key that reached the window's queue at `pressed`.
struct KeyEvent final : QEvent {
    explicit KeyEvent(Clock::time_point at) : QEvent(QEvent::User), pressed(at) {}
    Clock::time_point pressed;
};

/// Opens the menu when the window gets to the key, and notes how long it waited.
class MenuKey final : public QObject {
public:
    explicit MenuKey(QMenu& menu) : m_menu(menu) {}
    std::vector<double> waitsMs;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        const auto pressed = static_cast<KeyEvent*>(e)->pressed;
        QObject::connect(&m_menu, &QMenu::aboutToShow, this, [this, pressed] {
            waitsMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - pressed).count());
            QTimer::singleShot(0, &m_menu, &QMenu::close);
        }, Qt::SingleShotConnection);
        m_menu.popup(QPoint(0, 0));
        return true;
    }

private:
    QMenu& m_menu;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int linkMs = 0;
    bool silent = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--silent") == 0)
            silent = true;
        else if (std::strcmp(argv[i], "--link-ms") == 0 && i + 1 < argc)
            linkMs = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: vimbo_responsiveness (--link-ms MS | --silent)\n");
            return 2;
        }
    }
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
    std::vector<std::string> simArgs;
    if (silent)
        simArgs = {"--silent"};
    else
        simArgs = {"--delay-ms", std::to_string(linkMs)};
    std::string error;
    auto sim = vimbo::test::ProbeSimProcess::start(simArgs, "127.0.0.1:0", &error);
    if (!sim) {
        std::fprintf(stderr, "cannot start the probe simulator: %s\n", error.c_str());
        return 1;
    }

    vimbo::test::FakeDialogs dialogs;
    vimbo::SystemClock clock;
    vimbo::frmMain window(dialogs, clock);
    window.SnmpClient1().setAgent(sim->host());
    window.SnmpClient1().setPort(sim->port());
    if (silent) {
        window.SnmpClient1().setTimeout(300);
        window.SnmpClient1().setRetries(2);
    }
    window.show();
    window.frmMain_Form_Load();
    auto* menu = window.menuBar()->findChild<QMenu*>(QStringLiteral("menuConfigurar"));
    MenuKey key(*menu);

    // 20 presses, 1.37 s apart (no multiple of the cycle), from 4 s on: they
    // land at every phase of the polling cycles.
    constexpr int kTries = 20;
    std::atomic<bool> done{false};
    std::thread presser([&] {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        for (int i = 0; i < kTries; ++i) {
            QCoreApplication::postEvent(&key, new KeyEvent(Clock::now()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1370));
        }
        std::this_thread::sleep_for(std::chrono::seconds(10));  // the last waits may be long
        done = true;
    });
    QTimer finish;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (done || static_cast<int>(key.waitsMs.size()) == kTries)
            QApplication::exit(0);
    });
    finish.start(100);
    QApplication::exec();
    presser.join();

    std::vector<double> waits = key.waitsMs;
    std::sort(waits.begin(), waits.end());
    const auto over = std::count_if(waits.begin(), waits.end(), [](double w) { return w > 100.0; });
    std::printf("%s: %zu of %d keys answered; wait median %.1f ms, max %.1f ms; %ld over 100 ms\n",
                silent ? "silent probe, 3 s x 3" : ("link " + std::to_string(linkMs) + " ms").c_str(), waits.size(),
                kTries, waits.empty() ? 0.0 : waits[waits.size() / 2], waits.empty() ? 0.0 : waits.back(),
                static_cast<long>(over));
    return waits.size() == static_cast<std::size_t>(kTries) && over == 0 ? 0 : 1;
}
