#pragma once

namespace ovisu {

// Which event grammar a streamed reply speaks.
enum class TranslationStreamStyle { chatCompletions, responses, claude };

}  // namespace ovisu
