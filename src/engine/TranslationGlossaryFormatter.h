#pragma once

#include <QString>

namespace ovisu {

// Brings a glossary typed by the user ("原词=译法", "原词\t译法", ...) into one shape per line:
// "原词 → 译法". The stored glossary is already normalised and the renderer normalises again,
// so the result must be a fixed point.
class TranslationGlossaryFormatter {
public:
    static QString normalized(const QString& glossary);
};

}  // namespace ovisu
