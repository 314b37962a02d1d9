#pragma once

#include <QString>

// The built-in prompt texts. They are product copy: change them only together with the presets
// that users may already have applied.
namespace ovisu::DefaultPrompts {

// System prompt of every prompt-capable source unless a source has its own.
QString otome();
// System prompt of the Hy-MT local model, which follows short, strict instructions better.
QString hymt();
// User template of every prompt-capable source except the Hy-MT local model.
QString shortTemplate();
// User template of the Hy-MT local model.
QString hymtTemplate();
// Appended to the system prompt of the Qwen3 local model so it does not emit its reasoning.
QString noThinkSuffix();

// The "忠实对白" preset.
QString faithfulDialoguePrompt();
QString faithfulDialogueTemplate();
// The "游戏 UI 简洁翻译" preset.
QString conciseUIPrompt();
QString conciseUITemplate();

}  // namespace ovisu::DefaultPrompts
