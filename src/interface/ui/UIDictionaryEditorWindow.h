#pragma once

#include "interface/UIStoredTranslations.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace ovisu {

// "UI 固定词典": the user's fixed terms in their order (the first match wins), with add, edit and remove. The list and
// every rule about it live in UIStoredTranslations; this window shows the list and passes on what the entry dialog
// returns. Built once and kept.
class UIDictionaryEditorWindow : public QWidget {
    Q_OBJECT
public:
    // Called after every add, edit and remove, refused ones included, so the program can show a failed save, refresh
    // the interface centre and have the next capture recognised again.
    using AfterEdit = std::function<void(const UIStoredTranslations::DictionaryOutcome&)>;

    UIDictionaryEditorWindow(UIStoredTranslations& stored, AfterEdit afterEdit, QWidget* parent = nullptr);

    // Reads the file again (it may have been edited by hand or by the command line), shows it and brings the window to
    // the front, centred the first time.
    void openUIDictionaryEditor();
    void reloadTable();

    // The buttons' actions; add and edit ask through UIDictionaryEntryDialog.
    void addEntry();
    void editSelectedEntry();
    void removeSelectedEntry();

    std::optional<int> selectedRow() const;

    QTableWidget* table() const { return m_table; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* editButton() const { return m_editButton; }
    QPushButton* removeButton() const { return m_removeButton; }
    QLabel* statusLabel() const { return m_status; }

private:
    // Shows the outcome, reloads the table when the list changed and selects `rowToSelect`.
    void finish(const UIStoredTranslations::DictionaryOutcome& outcome, std::optional<int> rowToSelect);

    UIStoredTranslations& m_stored;
    AfterEdit m_afterEdit;
    QTableWidget* m_table = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QLabel* m_status = nullptr;
    bool m_placed = false;
};

}  // namespace ovisu
