// The glossary formatter on any pasted text. The stored glossary is normalised and the prompt
// renderer normalises it again, so a normalised glossary must come out of a second pass unchanged.
#include "FuzzSupport.h"

#include "engine/TranslationGlossaryFormatter.h"

using namespace ovisu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString glossary = QString::fromUtf8(fuzz::bytes(data, size));
    const QString once = TranslationGlossaryFormatter::normalized(glossary);
    FUZZ_CHECK(TranslationGlossaryFormatter::normalized(once) == once, "a normalised glossary changes on a second pass");
    return 0;
}
