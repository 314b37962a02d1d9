#pragma once

#include "app/FirstRunGuide.h"

#include <QDialog>

class QButtonGroup;
class QPushButton;

namespace ovisu {

// "快速上手": the three steps from a running game to a translation, and a choice of the kind of
// translation source. Shown once, on the first launch; the shell applies the answer.
class QuickStartGuide : public QDialog {
    Q_OBJECT
public:
    explicit QuickStartGuide(QWidget* parent = nullptr);

    FirstRunProviderChoice selectedChoice() const;
    void selectChoice(FirstRunProviderChoice choice);
    QPushButton* startButton() const { return m_start; }
    QPushButton* skipButton() const { return m_skip; }

signals:
    void providerChoiceMade(ovisu::FirstRunProviderChoice choice);
    // "跳过", Escape or the window's close button.
    void skipped();

protected:
    void reject() override;

private:
    QButtonGroup* m_choices;
    QPushButton* m_start;
    QPushButton* m_skip;
    bool m_answered = false;
};

}  // namespace ovisu
