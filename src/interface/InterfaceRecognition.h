#pragma once

#include "capture/RecognizedLine.h"
#include "capture/TextRecognizer.h"
#include "interface/UIElementKind.h"
#include "interface/UIOCRTextBlock.h"

#include <QImage>
#include <QList>
#include <QRectF>

#include <expected>
#include <optional>

namespace ovisu {

// From a whole-window reading to the blocks interface mode translates. Pure, except the one
// recognition call, which runs on the loop's worker.
namespace InterfaceRecognition {

// Accurate, Japanese, with the words interface text is full of as hints.
TextRecognitionRequest request();

// Cleaned lines in the recogniser's order; lines that clean to nothing or have a confidence
// below 0.2 are left out.
QList<UIOCRTextBlock> blocksFrom(const QList<RecognizedLine>& lines);

std::expected<QList<UIOCRTextBlock>, QString> performInterfaceRecognition(TextRecognizer& recognizer,
                                                                          const QImage& window);

// Why a block is not translated, in the order the tests run.
enum class Rejection {
    outsideRegions,  // its centre lies in no enabled region
    kindDisabled,    // its kind is switched off
    blank,           // nothing but white space
    noWords,         // no kana or kanji, and no two Latin letters in a row (100/200, a lone digit)
};
QString describe(Rejection rejection);

// Regions in top-left window-normalised coordinates; with none, every position counts. A centre
// on a region's edge is inside it.
std::optional<Rejection> rejectionOf(const UIOCRTextBlock& block, const QList<QRectF>& enabledRegions,
                                     const UIElementKindSet& enabledKinds);

}  // namespace InterfaceRecognition

}  // namespace ovisu
