#include "app/TextTable.h"

#include <gtest/gtest.h>

using namespace ovisu;

TEST(TextTable, AlignsColumnsByTerminalWidthSoChineseTitlesLineUp) {
    EXPECT_EQ(TextTable::displayWidth("abc"), 3);
    EXPECT_EQ(TextTable::displayWidth("翻译（联网）"), 12);
    TextTable table({"raw", "title", "status"});
    table.addRow({"0", "Google 翻译（联网）", "ok"});
    table.addRow({"12", "Papago（API）", "ok"});
    const QStringList lines = table.render().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    // The last column starts at the same terminal column on every line.
    QList<int> columns;
    for (const QString& line : lines) columns.append(TextTable::displayWidth(line.left(line.lastIndexOf("  ") + 2)));
    EXPECT_EQ(columns[0], columns[1]);
    EXPECT_EQ(columns[1], columns[2]);
}
