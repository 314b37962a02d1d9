#pragma once

#include "engine/Provider.h"

#include <QString>

#include <optional>

class QLabel;
class QWidget;

namespace ovisu {

class TranslationSettingsActions;

// The pieces the translation settings windows and pages share, so a heading, a note or a failed
// save looks the same wherever it appears.

// A bold heading, `pointSizeDelta` points larger than the text around it.
QLabel* makeHeadingLabel(const QString& text, QWidget* parent, int pointSizeDelta = 0);
// A grey, wrapping line that explains the controls near it; its text can be selected and copied.
QLabel* makeNoteLabel(const QString& text, QWidget* parent);
// A red, wrapping line for a value that could not be stored; hidden until there is something to say.
QLabel* makeWarningLabel(const QString& objectName, QWidget* parent);
// Shows the message on a warning line, or hides the line when there is none.
void showWarning(QLabel& label, const std::optional<QString>& message);
// What a warning line says when a setting holds for this run but did not reach the disk.
QString notStoredOnDiskMessage(const QString& error);

// The title of a source's acquisition button: "下载" or "前往官网"; none when it has nothing to get.
std::optional<QString> acquisitionTitle(Provider provider);
// What that button does: the local model download, or the service's site in the browser.
void openAcquisition(Provider provider, TranslationSettingsActions& actions);

}  // namespace ovisu
