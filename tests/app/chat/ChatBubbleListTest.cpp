// The bubble table as its rows outgrow it: the scroll bar that appears
// narrows the viewport while rows are made and scrolled to; every row stays
// and the own bubbles end at the narrowed viewport's right edge.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>

#include "chat/ChatBubbleList.h"
#include "fixtures/app/AppTestSupport.h"

namespace {

std::vector<ChatBubbleItem> lines(int n) {
    std::vector<ChatBubbleItem> items;
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 5));
    for (int i = 0; i < n; ++i)
        items.push_back(
            {i % 2 ? QStringLiteral("Me") : QStringLiteral("Aiko"), at,
             QStringLiteral("Line %1 of the chat, long enough to wrap once or twice in the table").arg(i),
             i % 2 == 1});
    return items;
}

void expectBubblesPlaced(const ChatBubbleList& table, int n) {
    ASSERT_EQ(table.count(), n);
    const int column = table.viewport()->width();
    for (int row = 0; row < n; ++row) {
        QWidget* cell = table.itemWidget(table.item(row));
        ASSERT_NE(cell, nullptr) << row;
        const QLabel* bubble = cell->findChild<QLabel*>();
        ASSERT_NE(bubble, nullptr) << row;
        EXPECT_EQ(table.item(row)->sizeHint().width(), column) << row;
        if (row % 2 == 1) {
            EXPECT_EQ(bubble->objectName(), "ownBubble");
            EXPECT_EQ(bubble->geometry().right() + 1, column) << row;
        } else {
            EXPECT_EQ(bubble->objectName(), "otherBubble");
            EXPECT_EQ(bubble->x(), 4) << row;
        }
    }
}

TEST(ChatBubbleListTest, RowsThatOutgrowTheTableKeepEveryRowAndPlaceOwnBubblesAtTheNarrowedEdge) {
    ensureQtApplication();
    for (const bool grow : {false, true}) {
        ChatBubbleList table(QColor(0, 204, 255, 77), QColor(26, 26, 26, 26), true, true);
        table.resize(320, 200);
        table.setMeasureWidth(220);
        table.show();
        QApplication::processEvents();
        const int wide = table.viewport()->width();
        if (grow) {
            // Lines arrive one by one, each scrolled to (as the text box does).
            for (int n = 1; n <= 12; ++n) {
                table.setItems(lines(n));
                table.scrollToLast();
            }
        } else {
            table.setItems(lines(12));
            table.scrollToLast();
        }
        QApplication::processEvents();
        EXPECT_TRUE(table.verticalScrollBar()->isVisible()) << grow;
        EXPECT_LT(table.viewport()->width(), wide) << grow;
        expectBubblesPlaced(table, 12);
        EXPECT_EQ(table.verticalScrollBar()->value(), table.verticalScrollBar()->maximum()) << grow;
    }
}

// The table's rows while its width changes back and forth after each batch.
std::vector<ChatBubbleItem> aikoLines(int n) {
    std::vector<ChatBubbleItem> items;
    for (int i = 0; i < n; ++i)
        items.push_back({QStringLiteral("Aiko"), QDateTime(QDate(2026, 1, 2), QTime(10, 0)),
                         QStringLiteral("Hello from Aiko, line %1.").arg(i + 1), i % 3 == 0});
    return items;
}

TEST(ChatBubbleList, RowsFollowTheLinesWhileTheScrollBarComesAndGoes) {
    ensureQtApplication();
    ChatBubbleList list(Qt::green, Qt::lightGray, true, true);
    list.resize(320, 160);
    list.show();
    QApplication::processEvents();
    // Line counts that fit, that just overflow (the scroll bar appears while
    // the rows are placed) and many more; each then read at other widths.
    for (const int n : {2, 4, 5, 6, 12, 40, 3}) {
        SCOPED_TRACE(n);
        list.setItems(aikoLines(n));
        list.scrollToLast();
        QApplication::processEvents();
        for (const int width : {240, 400, 320}) {
            list.resize(width, 160);
            list.scrollToLast();
            QApplication::processEvents();
            ASSERT_EQ(list.count(), n);
            for (int row = 0; row < n; ++row) {
                QWidget* cell = list.itemWidget(list.item(row));
                ASSERT_NE(cell, nullptr) << "row " << row;
                ASSERT_NE(cell->findChild<QLabel*>(), nullptr) << "row " << row;
            }
        }
    }
}

}  // namespace
