// The common alert service: two-button alerts, information notices through a
// fake desktop notification service (or the information window when notices
// are not allowed), warnings, modal alerts and sheets, and callers on other
// threads.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>
#include <chrono>
#include <future>
#include <thread>

#include "UiTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Alert.h"
#include "ui/CommonAlert.h"

using namespace std::chrono_literals;

namespace {

// Every test of this program talks to a session bus of its own; it is made
// before anything touches the bus and stopped at the end.
class SessionBusEnvironment : public testing::Environment {
public:
    void SetUp() override { bus = std::make_unique<PrivateSessionBus>(); }
    void TearDown() override { bus.reset(); }
    static inline std::unique_ptr<PrivateSessionBus> bus;
};
[[maybe_unused]] testing::Environment* const kBusEnvironment =
    testing::AddGlobalTestEnvironment(new SessionBusEnvironment);

CommonAlert& alerts() { return CommonAlert::sharedInstance(); }

class CommonAlertTest : public testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        ASSERT_TRUE(SessionBusEnvironment::bus && SessionBusEnvironment::bus->started()) << "dbus-daemon did not start";
    }
    void TearDown() override {
        alerts().hideAllAlert();
        processEventsFor(20);
        expectAllEmpty();
    }
    static void expectAllEmpty() {
        EXPECT_TRUE(alerts().alertWindowArry().isEmpty());
        EXPECT_TRUE(alerts().alertWindowEvents().isEmpty());
        EXPECT_TRUE(alerts().notificationArry().isEmpty());
        EXPECT_TRUE(alerts().notificationEvents().isEmpty());
        EXPECT_TRUE(alerts().infoAlertArry().isEmpty());
        EXPECT_TRUE(alerts().warningAlertArry().isEmpty());
    }
    static AlertWindow* openAlert(const QString& id) {
        for (AlertWindow* window : alerts().alertWindowArry()) {
            if (window->alertIdentifier() == id) {
                return window;
            }
        }
        return nullptr;
    }
    QObject owner;  // the target of the actions
};

const QRegularExpression kNoticeIdPattern(QStringLiteral("^Quorix_alert_id_recv_message\\d{8}_\\d{6}(_\\d+)?$"));

TEST_F(CommonAlertTest, TwoButtonAlertCloseActionRunsOnceWhateverClosesIt) {
    const QString id = QStringLiteral("alert_id_speech_reserve");
    const std::pair<const char*, std::function<void()>> causes[] = {
        {"hide by id", [&] { alerts().hideNormalAlert(id); }},
        {"hide all", [] { alerts().hideAllNormalAlert(); }},
        {"title bar", [&] { openAlert(id)->window()->close(); }},
        {"button handler hides it", [&] { openAlert(id)->buttons().first()->click(); }},
    };
    for (const auto& [name, cause] : causes) {
        SCOPED_TRACE(name);
        int closes = 0;
        int lefts = 0;
        const QString returned = alerts().showNormalAlert(
            &owner, id, QStringLiteral("Bob asks for the floor."), QStringLiteral("Allow"),
            [&] {
                ++lefts;
                alerts().hideNormalAlert(id);
            },
            QStringLiteral("Deny"), nullptr, 0, [&] { ++closes; });
        EXPECT_EQ(returned, id);
        ASSERT_NE(openAlert(id), nullptr);
        EXPECT_EQ(openAlert(id)->alertTag(), 0);
        EXPECT_FALSE(openAlert(id)->isTimerRunning());  // closing time 0: no timer
        cause();
        processEventsFor(20);
        alerts().hideNormalAlert(id);  // already closed: nothing
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(openAlert(id), nullptr);
        EXPECT_TRUE(alerts().alertWindowEvents().isEmpty());
    }

    // The closing timer.
    int closes = 0;
    alerts().showNormalAlert(&owner, id, QStringLiteral("Recording stopped."), std::nullopt, nullptr, std::nullopt,
                             nullptr, 0.05, [&] { ++closes; });
    ASSERT_TRUE(processEventsUntil([&] { return closes > 0; }, 2000));
    processEventsFor(100);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(alerts().alertWindowArry().isEmpty());
}

TEST_F(CommonAlertTest, SameIdReplacesTheOpenAlertAfterItsCloseActionRan) {
    const QString id = QStringLiteral("alert_id_owner_change");
    qsizetype openWhenOldClosed = -1;
    alerts().showNormalAlert(&owner, id, QStringLiteral("first"), QStringLiteral("OK"), nullptr, std::nullopt, nullptr,
                             0, [&] { openWhenOldClosed = alerts().alertWindowArry().size(); });
    AlertWindow* first = openAlert(id);
    int secondCloses = 0;
    alerts().showNormalAlert(&owner, id, QStringLiteral("second"), QStringLiteral("OK"), nullptr, std::nullopt, nullptr,
                             0, [&] { ++secondCloses; });
    EXPECT_EQ(openWhenOldClosed, 0);  // the old one had gone before the new one came
    ASSERT_EQ(alerts().alertWindowArry().size(), 1);
    EXPECT_NE(openAlert(id), first);
    EXPECT_EQ(openAlert(id)->messageView()->text(), QStringLiteral("second"));
    EXPECT_EQ(secondCloses, 0);

    // Three alerts, one hide-all: each close action once, both collections empty.
    int closes[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        alerts().showNormalAlert(&owner, QStringLiteral("alert_id_%1").arg(i), QStringLiteral("message"), std::nullopt,
                                 nullptr, std::nullopt, nullptr, 0, [&closes, i] { ++closes[i]; });
    }
    EXPECT_EQ(alerts().alertWindowArry().size(), 4);
    alerts().hideAllNormalAlert();
    EXPECT_EQ(closes[0] + closes[1] + closes[2], 3);
    EXPECT_EQ(closes[0] * closes[1] * closes[2], 1);
    EXPECT_EQ(secondCloses, 1);
    EXPECT_TRUE(alerts().alertWindowArry().isEmpty());
    EXPECT_TRUE(alerts().alertWindowEvents().isEmpty());

    // Without an id one is made: the bundle name and the time.
    const QString made = alerts().showNormalAlert(nullptr, std::nullopt, QStringLiteral("m"), std::nullopt, nullptr,
                                                  std::nullopt, nullptr, 0, nullptr);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Quorix_\\d{8}_\\d{6}$")).match(made).hasMatch()) << made.toStdString();
    EXPECT_NE(openAlert(made), nullptr);
}

TEST_F(CommonAlertTest, InformationWindowWhenNoticesAreNotAllowed) {
    // No notification service on the bus: the information window.
    const QString kind = QStringLiteral("alert_id_recv_message");
    int clicks = 0;
    const QString identifier = alerts().showInformationAlert(kind, QStringLiteral("Carol: hello"), [&] { ++clicks; },
                                                             &owner, QRectF(100, 100, 600, 400));
    EXPECT_TRUE(kNoticeIdPattern.match(identifier).hasMatch()) << identifier.toStdString();
    ASSERT_TRUE(processEventsUntil([] { return alerts().infoAlertArry().size() == 1; }));
    EXPECT_TRUE(alerts().notificationArry().isEmpty());
    InfoAlertWindow* window = alerts().infoAlertArry().first().window;
    EXPECT_EQ(window->alertIdentifier(), identifier);
    EXPECT_EQ(window->alertTag(), 1);
    EXPECT_TRUE(window->window()->isVisible());

    // Withdrawn by its alert id although no system notice was recorded.
    alerts().hideInformationAlert(kind);
    EXPECT_TRUE(alerts().infoAlertArry().isEmpty());
    EXPECT_TRUE(alerts().notificationEvents().isEmpty());
    EXPECT_EQ(clicks, 0);

    // A click on the card runs the action once and closes it.
    alerts().showInformationAlert(kind, QStringLiteral("Carol: are you there?"), [&] { ++clicks; }, &owner,
                                  QRectF(100, 100, 600, 400));
    ASSERT_TRUE(processEventsUntil([] { return alerts().infoAlertArry().size() == 1; }));
    QLabel* card = alerts().infoAlertArry().first().window->card();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 10), QPointF(100, 10), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(card, &press);
    processEventsFor(20);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(alerts().infoAlertArry().isEmpty());
    EXPECT_TRUE(alerts().notificationEvents().isEmpty());

    // Without a click action a click just closes it; a gone target's action never runs.
    {
        QObject shortLived;
        alerts().showInformationAlert(kind, QStringLiteral("x"), [&] { ++clicks; }, &shortLived, QRectF());
        ASSERT_TRUE(processEventsUntil([] { return alerts().infoAlertArry().size() == 1; }));
    }
    alerts().showInformationAlert(kind, QStringLiteral("y"), nullptr, nullptr, QRectF());
    ASSERT_TRUE(processEventsUntil([] { return alerts().infoAlertArry().size() == 2; }));
    for (const auto& record : alerts().infoAlertArry()) {
        QCoreApplication::sendEvent(record.window->card(), &press);
    }
    processEventsFor(20);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(alerts().infoAlertArry().isEmpty());
}

TEST_F(CommonAlertTest, SystemNoticesWhenAllowed) {
    FakeNotificationService service(SessionBusEnvironment::bus->address());
    ASSERT_TRUE(service.registered());
    const QString kind = QStringLiteral("alert_id_recv_message");
    int firstClicks = 0;
    int secondClicks = 0;
    // Two notices of one kind in the same second keep their own identifiers and actions.
    const QString first = alerts().showInformationAlert(kind, QStringLiteral("Dave: first"), [&] { ++firstClicks; },
                                                        &owner, QRectF());
    const QString second = alerts().showInformationAlert(kind, QStringLiteral("Dave: second"), [&] { ++secondClicks; },
                                                         &owner, QRectF());
    EXPECT_NE(first, second);
    EXPECT_TRUE(kNoticeIdPattern.match(first).hasMatch()) << first.toStdString();
    EXPECT_TRUE(kNoticeIdPattern.match(second).hasMatch()) << second.toStdString();
    ASSERT_TRUE(processEventsUntil([] { return alerts().notificationArry().size() == 2; }));
    EXPECT_TRUE(alerts().infoAlertArry().isEmpty());
    EXPECT_EQ(alerts().notificationEvents().size(), 2);

    const QList<FakeNotificationService::Posted> posted = service.posted();
    ASSERT_EQ(posted.size(), 2);
    EXPECT_EQ(posted[0].appName, QStringLiteral("Quorix"));
    EXPECT_EQ(posted[0].summary, QString());  // no title, no subtitle
    EXPECT_EQ(posted[0].body, QStringLiteral("Dave: first"));
    EXPECT_EQ(posted[1].body, QStringLiteral("Dave: second"));

    // The user clicks the second notice: only its action, once.
    service.click(posted[1].id);
    ASSERT_TRUE(processEventsUntil([&] { return secondClicks > 0; }));
    processEventsFor(50);
    EXPECT_EQ(secondClicks, 1);
    EXPECT_EQ(firstClicks, 0);
    ASSERT_EQ(alerts().notificationArry().size(), 1);
    EXPECT_EQ(alerts().notificationArry().first().identifier, first);
    EXPECT_TRUE(processEventsUntil([&] { return service.closed().contains(posted[1].id); }));

    // The next withdrawal of that kind finds the remaining notice; no click action runs.
    alerts().hideInformationAlert(kind);
    EXPECT_TRUE(processEventsUntil([&] { return service.closed().contains(posted[0].id); }));
    EXPECT_TRUE(alerts().notificationArry().isEmpty());
    EXPECT_TRUE(alerts().notificationEvents().isEmpty());
    EXPECT_EQ(firstClicks, 0);

    // Everything at once: two-button alerts, notices and warnings, all withdrawn.
    int closes = 0;
    alerts().showNormalAlert(&owner, QStringLiteral("alert_id_a"), QStringLiteral("a"), std::nullopt, nullptr,
                             std::nullopt, nullptr, 0, [&] { ++closes; });
    alerts().showNormalAlert(&owner, QStringLiteral("alert_id_b"), QStringLiteral("b"), std::nullopt, nullptr,
                             std::nullopt, nullptr, 0, [&] { ++closes; });
    alerts().showInformationAlert(kind, QStringLiteral("c"), [&] { ++firstClicks; }, &owner, QRectF());
    alerts().showWarningAlert(QStringLiteral("alert_id_device_error"), QStringLiteral("d"), QRectF());
    ASSERT_TRUE(processEventsUntil([] { return alerts().notificationArry().size() == 1; }));
    EXPECT_EQ(alerts().warningAlertArry().size(), 1);
    alerts().hideAllAlert();
    expectAllEmpty();
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(firstClicks, 0);
    EXPECT_EQ(service.closed().size(), 3);
}

TEST_F(CommonAlertTest, WarningsReplaceByIdAndCloseByIdOrAll) {
    const QString id = QStringLiteral("alert_id_camera_error");
    EXPECT_EQ(alerts().showWarningAlert(id, QStringLiteral("The camera stopped."), QRectF()), id);
    ASSERT_EQ(alerts().warningAlertArry().size(), 1);
    InfoAlertWindow* first = alerts().warningAlertArry().first();
    EXPECT_EQ(first->alertTag(), 2);
    EXPECT_NE(first->alertIcon(), nullptr);
    alerts().showWarningAlert(id, QStringLiteral("The camera stopped again."), QRectF());
    ASSERT_EQ(alerts().warningAlertArry().size(), 1);
    EXPECT_NE(alerts().warningAlertArry().first(), first);
    const QString made = alerts().showWarningAlert(std::nullopt, QStringLiteral("other"), QRectF());
    EXPECT_TRUE(made.startsWith(QStringLiteral("Quorix_")));
    EXPECT_EQ(alerts().warningAlertArry().size(), 2);
    alerts().hideWarningAlert(id);
    ASSERT_EQ(alerts().warningAlertArry().size(), 1);
    EXPECT_EQ(alerts().warningAlertArry().first()->alertIdentifier(), made);
    // Its own OK button closes it.
    for (QPushButton* button : alerts().warningAlertArry().first()->window()->findChildren<QPushButton*>()) {
        button->click();
    }
    EXPECT_TRUE(alerts().warningAlertArry().isEmpty());
    alerts().hideWarningAlert(id);
    alerts().hideAllWarningAlert();
}

TEST_F(CommonAlertTest, CallersOnOtherThreadsAreNeverHeldByTheMainThread) {
    // The main thread waits for the worker (as a logout waits for the core's
    // threads) and runs no events meanwhile: a show that waited for the main
    // thread would never return.
    const std::pair<const char*, std::function<QString()>> shows[] = {
        {"warning", [] { return alerts().showWarningAlert(QStringLiteral("alert_id_mic_error"), QStringLiteral("m"), {}); }},
        {"two-button",
         [] {
             return alerts().showNormalAlert(nullptr, QStringLiteral("alert_id_forced_leave"), QStringLiteral("m"),
                                             QStringLiteral("OK"), nullptr, std::nullopt, nullptr, 0, nullptr);
         }},
        {"information",
         [] { return alerts().showInformationAlert(QStringLiteral("alert_id_recv_message"), QStringLiteral("m"), nullptr, nullptr, {}); }},
    };
    for (const auto& [name, show] : shows) {
        SCOPED_TRACE(name);
        std::promise<QString> result;
        std::future<QString> future = result.get_future();
        std::thread worker([&] {
            result.set_value(show());
            alerts().hideAllAlert();  // hides from the worker are queued too
        });
        const bool returned = future.wait_for(3s) == std::future_status::ready;
        if (!returned) {
            processEventsFor(500);  // let the worker go before failing
        }
        worker.join();
        ASSERT_TRUE(returned);
        const QString id = future.get();
        EXPECT_FALSE(id.isEmpty());
        if (QString(name) != QLatin1String("information")) {
            EXPECT_TRUE(id.startsWith(QStringLiteral("alert_id_")));
        }
        processEventsFor(200);  // the show runs, then the queued hide
    }
}

TEST_F(CommonAlertTest, AHideAfterAShowFromAnotherThreadWinsOverIt) {
    // A core thread raises alerts just before the user logs out: the logout's
    // hide on the main thread comes before the queued shows have run, and
    // nothing may appear after it.
    std::thread worker([] {
        alerts().showNormalAlert(nullptr, QStringLiteral("alert_id_forced_leave"), QStringLiteral("m"),
                                 QStringLiteral("OK"), nullptr, std::nullopt, nullptr, 0, nullptr);
        alerts().showInformationAlert(QStringLiteral("alert_id_recv_message"), QStringLiteral("m"), nullptr, nullptr, {});
        alerts().showWarningAlert(QStringLiteral("alert_id_mic_error"), QStringLiteral("m"), {});
    });
    worker.join();
    alerts().hideAllAlert();
    processEventsFor(300);
    expectAllEmpty();

    // Withdrawn by id: only that id stays away; a later show of it appears.
    std::thread second([] {
        alerts().showWarningAlert(QStringLiteral("alert_id_mic_error"), QStringLiteral("m"), {});
        alerts().showWarningAlert(QStringLiteral("alert_id_camera_error"), QStringLiteral("c"), {});
    });
    second.join();
    alerts().hideWarningAlert(QStringLiteral("alert_id_mic_error"));
    processEventsFor(100);
    ASSERT_EQ(alerts().warningAlertArry().size(), 1);
    EXPECT_EQ(alerts().warningAlertArry().first()->alertIdentifier(), QStringLiteral("alert_id_camera_error"));
    alerts().showWarningAlert(QStringLiteral("alert_id_mic_error"), QStringLiteral("again"), {});
    EXPECT_EQ(alerts().warningAlertArry().size(), 2);
}

TEST_F(CommonAlertTest, ModalAlertsAreWideEnoughForTheirTitleAndCannotBeMaximised) {
    // A bare code, a sentence and a long paragraph.
    const QStringList messages{QStringLiteral("(-101)"), QStringLiteral("Update failed."),
                               QStringLiteral("The room settings could not be read. ").repeated(6)};
    for (const QString& message : messages) {
        SCOPED_TRACE(message.toStdString());
        QSize shown;
        Qt::WindowFlags flags;
        QTimer::singleShot(0, [&] {
            Alert* alert = Alert::current();
            ASSERT_NE(alert, nullptr);
            processEventsFor(20);
            shown = alert->box()->size();
            flags = alert->box()->windowFlags();
            if (message.size() < 10 && QDir().mkpath(QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots")))
                alert->box()->grab().save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/ui-screenshots/alert-short.png"));
            alert->box()->buttons().first()->click();
        });
        alerts().showModalAlert(nullptr, std::nullopt, message, std::nullopt);
        EXPECT_GE(shown.width(), Alert::kMinimumWidth);
        EXPECT_LT(shown.width(), 1000);
        EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
        EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    }
}

TEST_F(CommonAlertTest, ModalAlertAndSheet) {
    QString text;
    QString informative;
    QStringList titles;
    QTimer::singleShot(0, [&] {
        Alert* alert = Alert::current();
        ASSERT_NE(alert, nullptr);
        text = alert->box()->text();
        informative = alert->box()->informativeText();
        titles = alert->buttonTitles();
        alert->box()->buttons().first()->click();
    });
    EXPECT_EQ(alerts().showModalAlert(nullptr, std::nullopt, QStringLiteral("Update failed."), std::nullopt), 1000);
    EXPECT_EQ(text, QString());
    EXPECT_EQ(informative, QStringLiteral("Update failed."));
    EXPECT_EQ(titles, QStringList{QStringLiteral("OK")});

    // No window: nothing shows, nothing runs.
    int done = 0;
    alerts().showModalSheet(nullptr, std::nullopt, QStringLiteral("t"), QStringLiteral("m"), std::nullopt, &owner,
                            [&] { ++done; });
    EXPECT_EQ(Alert::current(), nullptr);

    Window window(QRectF(100, 100, 600, 400), WindowStyleTitled);
    window.show();
    alerts().showModalSheet(&window, std::nullopt, QStringLiteral("Leave"), QStringLiteral("End the conference?"),
                            QStringLiteral("Leave"), &owner, [&] { ++done; });
    Alert* sheet = Alert::current();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->box()->parentWidget(), &window);
    EXPECT_EQ(sheet->box()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->box()->text(), QStringLiteral("Leave"));
    sheet->box()->buttons().first()->click();
    processEventsFor(20);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(Alert::current(), nullptr);

    // The target went away before the sheet ended: its action does not run.
    auto target = std::make_unique<QObject>();
    alerts().showModalSheet(&window, std::nullopt, QStringLiteral("t"), QStringLiteral("m"), std::nullopt, target.get(),
                            [&] { ++done; });
    target.reset();
    Alert::current()->box()->buttons().first()->click();
    processEventsFor(20);
    EXPECT_EQ(done, 1);
}

}  // namespace
