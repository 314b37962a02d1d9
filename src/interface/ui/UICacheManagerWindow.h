#pragma once

#include "interface/UIStoredTranslations.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace ovisu {

// "UI 缓存与人工修正": every cached interface translation, newest first, and the two ways of clearing them. Clearing
// everything also deletes the manual corrections, so it asks first. Built once and kept.
class UICacheManagerWindow : public QWidget {
    Q_OBJECT
public:
    // Called after each clear that went ahead, with the error when the file could not be written: the program shows it,
    // refreshes the interface centre and forgets the last capture.
    using AfterClear = std::function<void(std::optional<QString> error)>;

    UICacheManagerWindow(UIStoredTranslations& stored, AfterClear afterClear, QWidget* parent = nullptr);

    void openUICacheManager();
    // Shows the cache as it is now; the program calls it after changes made elsewhere.
    void renderUICacheManager();

    // The buttons' actions.
    void clearAutomatic();
    void clearEverything();  // after the confirmation

    QPlainTextEdit* textView() const { return m_textView; }
    QPushButton* clearAutomaticButton() const { return m_clearAutomaticButton; }
    QPushButton* clearEverythingButton() const { return m_clearEverythingButton; }

private:
    bool confirmClearEverything();
    void finish(const std::expected<void, QString>& cleared);

    UIStoredTranslations& m_stored;
    AfterClear m_afterClear;
    QPlainTextEdit* m_textView = nullptr;
    QPushButton* m_clearAutomaticButton = nullptr;
    QPushButton* m_clearEverythingButton = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
