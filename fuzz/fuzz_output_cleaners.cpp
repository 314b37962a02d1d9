// The cleaners between a service's answer (or a recognised text) and the screen: a language
// model's output cleaner, the system translator's refiner and the recognised-text cleaner. The
// input is the source text, a zero byte, then the translation.
#include "FuzzSupport.h"

#include "base/OCRTextCleaner.h"
#include "engine/SystemTranslationOutputRefiner.h"
#include "engine/TranslationOutputCleaner.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype zero = input.indexOf('\0');
    const QString source = QString::fromUtf8(zero < 0 ? QByteArray() : input.left(zero));
    const QString translation = QString::fromUtf8(zero < 0 ? input : input.mid(zero + 1));

    for (const bool filterThinking : {false, true}) {
        const QString cleaned = TranslationOutputCleaner::clean(translation, filterThinking);
        FUZZ_CHECK(cleaned == cleaned.trimmed(), "a cleaned answer keeps white space at its ends");
        FUZZ_CHECK(cleaned.size() <= translation.size(), "cleaning made an answer longer");
    }
    // Only lines of the answer survive, so the result is never longer than the trimmed answer.
    const QString deduplicated = TranslationOutputCleaner::deduplicated(translation);
    FUZZ_CHECK(deduplicated == deduplicated.trimmed(), "a deduplicated answer keeps white space at its ends");
    FUZZ_CHECK(deduplicated.size() <= translation.trimmed().size(), "deduplicating made an answer longer");

    SystemTranslationOutputRefiner::refine(source, translation);

    const QString recognised = OCRTextCleaner::clean(translation);
    FUZZ_CHECK(OCRTextCleaner::clean(recognised) == recognised, "the recognised-text cleaner is not idempotent");
    FUZZ_CHECK(OCRTextCleaner::comparisonForm(recognised) == OCRTextCleaner::comparisonForm(translation),
               "cleaning a text changed its comparison form");
    return 0;
}
