#include "app/ui/QuickStartGuide.h"

#include "base/ui/WindowPresentation.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ovisu {
namespace {

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QuickStartGuide::QuickStartGuide(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("快速上手"));
    setFont(withChineseFamily(font()));
    setMinimumWidth(520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);

    auto* heading = new QLabel(QStringLiteral("欢迎使用 Ovisu"), this);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    layout->addWidget(wrappedLabel(QStringLiteral("三步开始边玩边看中文："), this));
    for (const QString& step : {QStringLiteral("1. 在“游戏窗口”中选择正在运行的游戏。"),
                                QStringLiteral("2. 点“框选 / 重选”，在游戏画面上拖出字幕框。"),
                                QStringLiteral("3. 点“开始翻译”（或按 Ctrl+Shift+P），译文会显示在字幕上方的悬浮窗里。")})
        layout->addWidget(wrappedLabel(step, this));

    layout->addSpacing(6);
    auto* question = new QLabel(QStringLiteral("用哪种翻译源？"), this);
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);
    layout->addWidget(question);
    m_choices = new QButtonGroup(this);
    const QList<std::pair<FirstRunProviderChoice, QString>> choices = {
        {FirstRunProviderChoice::free, QStringLiteral("免费：Google 翻译（联网，无需设置）")},
        {FirstRunProviderChoice::apiKey, QStringLiteral("AI 翻译：我有 API Key（OpenAI、Claude、DeepSeek 等）")},
        {FirstRunProviderChoice::local, QStringLiteral("本地模型：Sakura 等（在自己的电脑上运行）")},
    };
    for (const auto& [choice, title] : choices) {
        auto* button = new QRadioButton(title, this);
        m_choices->addButton(button, static_cast<int>(choice));
        layout->addWidget(button);
    }
    selectChoice(FirstRunProviderChoice::free);
    layout->addWidget(wrappedLabel(QStringLiteral("以后可在“设置 → 翻译”中随时更换翻译源；需要 Key 的翻译源会打开“配置翻译源”。"), this));

    layout->addSpacing(8);
    auto* buttons = new QHBoxLayout;
    m_skip = new QPushButton(QStringLiteral("跳过"), this);
    m_start = new QPushButton(QStringLiteral("开始使用"), this);
    m_start->setDefault(true);
    buttons->addWidget(m_skip);
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    layout->addLayout(buttons);

    connect(m_skip, &QPushButton::clicked, this, &QuickStartGuide::reject);
    connect(m_start, &QPushButton::clicked, this, [this] {
        m_answered = true;
        hide();
        emit providerChoiceMade(selectedChoice());
    });
}

FirstRunProviderChoice QuickStartGuide::selectedChoice() const {
    return static_cast<FirstRunProviderChoice>(std::max(0, m_choices->checkedId()));
}

void QuickStartGuide::selectChoice(FirstRunProviderChoice choice) {
    if (QAbstractButton* button = m_choices->button(static_cast<int>(choice))) button->setChecked(true);
}

void QuickStartGuide::reject() {
    hide();
    // Answered already: the window only closes, it does not also count as skipped.
    if (!std::exchange(m_answered, true)) emit skipped();
}

}  // namespace ovisu
