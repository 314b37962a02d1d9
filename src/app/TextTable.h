#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ovisu {

// Columns padded to the width a terminal shows: CJK and full-width characters take two cells,
// so Chinese titles line up with Latin ones.
class TextTable {
public:
    explicit TextTable(QStringList header) { m_rows.append(std::move(header)); }
    void addRow(QStringList row) { m_rows.append(std::move(row)); }
    QString render() const;

    static int displayWidth(const QString& text);

private:
    QList<QStringList> m_rows;
};

}  // namespace ovisu
