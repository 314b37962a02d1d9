#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <functional>

namespace ovisu {

// One translated label over the game: frameless, above other windows, never focused, and
// click-through, so the game keeps every click.
class InterfaceLabelWindow : public QWidget {
public:
    struct Appearance {
        QFont font;
        double padding = 9;
        double cornerRadius = 9;
        QColor background = QColor::fromRgbF(0.035f, 0.045f, 0.065f, 0.88f);
        QColor text = Qt::white;
        bool shadow = true;  // drawn by the compositor, where there is one
    };

    InterfaceLabelWindow();

    void setContent(const QString& source, const QString& translation, bool manuallyCorrected);
    // Clicks go through to the game unless the label is interactive (while Alt is held).
    void setInteractive(bool interactive);
    // A double-click on the label: the permanent correction of its text.
    void setCorrectionHandler(std::function<void()> handler) { m_correctionHandler = std::move(handler); }
    void setAppearance(const Appearance& appearance);
    const QString& source() const { return m_source; }
    const QString& translation() const { return m_translation; }
    bool isManuallyCorrected() const { return m_manuallyCorrected; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void cutRoundedCorners();

    QString m_source;
    QString m_translation;
    bool m_manuallyCorrected = false;
    Appearance m_appearance;
    bool m_shadowHintSet = false;
    std::function<void()> m_correctionHandler;
};

}  // namespace ovisu
