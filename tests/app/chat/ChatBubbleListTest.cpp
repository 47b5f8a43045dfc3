// The bubble table while lines arrive and its width changes: laying the rows
// out can show or hide the scroll bar, which narrows or widens the table in
// the middle of placing them again; every line must still get its one row
// and bubble.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "chat/ChatBubbleList.h"
#include "fixtures/app/AppTestSupport.h"

namespace {

std::vector<ChatBubbleItem> lines(int n) {
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
        list.setItems(lines(n));
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
