#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "fixtures/app/AppTestSupport.h"
#include "ui/UpdateAlert.h"

namespace {

TEST(UpdateAlert, ButtonsCloseTheWindowAndAnswerTheirChoice) {
    ensureQtApplication();
    struct Case {
        const char* name;
        QPushButton* (UpdateAlert::*button)() const;
        int choice;
    };
    const Case cases[] = {
        {"install", &UpdateAlert::installButton, 0},
        {"later", &UpdateAlert::laterButton, 1},
        {"skip", &UpdateAlert::skipButton, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> answers;
        UpdateAlert alert("3.0", "3.1", "", false, [&](int choice) { answers.push_back(choice); });
        alert.show();
        (alert.*c.button)()->click();
        EXPECT_EQ(answers, std::vector<int>{c.choice});
        EXPECT_FALSE(alert.isVisible());
    }
}

TEST(UpdateAlert, ReleaseNotesShownOnlyForAWebAddress) {
    ensureQtApplication();
    UpdateAlert none("3.0", "3.1", "", false, nullptr);
    none.show();
    EXPECT_FALSE(none.releaseNotesContainerView()->isVisible());

    UpdateAlert file("3.0", "3.1", "file:///etc/passwd", false, nullptr);
    file.show();
    EXPECT_FALSE(file.releaseNotesContainerView()->isVisible());

    UpdateAlert notes("3.0", "3.1", "https://n.test/notes?v=3.1&l=en", true, nullptr);
    notes.show();
    EXPECT_TRUE(notes.releaseNotesContainerView()->isVisible());
    EXPECT_TRUE(notes.releaseNotesView()->text().contains("https://n.test/notes?v=3.1&amp;l=en"));
    EXPECT_EQ(notes.laterAppVersion(), "3.1");
    EXPECT_EQ(notes.currentVersion(), "3.0");
    EXPECT_TRUE(notes.isForce());
}

}  // namespace
