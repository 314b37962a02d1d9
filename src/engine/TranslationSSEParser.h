#pragma once

#include "engine/TranslationStreamStyle.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace ovisu {

struct TranslationStreamEvent {
    enum class Kind { text, error, complete };
    Kind kind = Kind::complete;
    QString payload;  // the text piece or the error message; empty for complete

    static TranslationStreamEvent text(QString piece) { return {Kind::text, std::move(piece)}; }
    static TranslationStreamEvent error(QString message) { return {Kind::error, std::move(message)}; }
    static TranslationStreamEvent complete() { return {Kind::complete, {}}; }
    friend bool operator==(const TranslationStreamEvent&, const TranslationStreamEvent&) = default;
};

// Turns a Server-Sent-Events body, received in arbitrary pieces, into translation events in one
// of the three grammars. Keeps only the unparsed tail of the body.
class TranslationSSEParser {
public:
    explicit TranslationSSEParser(TranslationStreamStyle style) : m_style(style) {}

    TranslationStreamStyle style() const { return m_style; }
    // Appends the bytes and returns the events of every block now complete, in order.
    QList<TranslationStreamEvent> ingest(const QByteArray& data);
    // Parses what remains as a last block (a stream may end without a separator).
    QList<TranslationStreamEvent> finish();

    static QList<TranslationStreamEvent> parseBlock(const QString& block, TranslationStreamStyle style);

private:
    TranslationStreamStyle m_style;
    QByteArray m_buffer;
    qsizetype m_searched = 0;  // bytes of m_buffer already known to hold no separator
};

}  // namespace ovisu
