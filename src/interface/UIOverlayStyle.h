#pragma once

namespace ovisu {

class SettingsStore;

// How a translated label sits on the game: beside the game's text, or covering it. Stored under
// "interfaceOverlayStyle" as the integer; anything else reads as beside.
enum class UIOverlayStyle { besideOriginal = 0, replaceOriginal = 1 };

UIOverlayStyle storedUIOverlayStyle(const SettingsStore& settings);

}  // namespace ovisu
