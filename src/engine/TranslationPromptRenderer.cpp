#include "engine/TranslationPromptRenderer.h"

#include "engine/DefaultPrompts.h"
#include "engine/TranslationGlossaryFormatter.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace ovisu {

namespace {

QString contextBlock(const QString& context) {
    if (context.trimmed().isEmpty())
        return {};
    return QStringLiteral(u"参考前文（仅用于统一指代、称呼、术语和语气）：\n") + context + u'\n';
}

QString workContextBlock(const QString& workContext) {
    if (workContext.trimmed().isEmpty())
        return {};
    return QStringLiteral(u"作品与角色设定：\n") + workContext + u'\n';
}

QString glossaryBlock(const QString& glossary, bool bilingualProperNouns) {
    QString block;
    const QString normalized = TranslationGlossaryFormatter::normalized(glossary);
    if (!normalized.isEmpty())
        block = QStringLiteral(u"必须遵循以下术语表（左侧原词，右侧指定译法）：\n") + normalized + u'\n';
    if (bilingualProperNouns)
        block += QStringLiteral(u"专有名词首次出现时可使用“原名（中文释义）”，之后保持统一。\n");
    return block;
}

}  // namespace

QString TranslationPromptRenderer::render(const QString& templateText, const QString& text,
                                          const QString& context, const QString& glossary,
                                          const QString& workContext, const QString& sourceLanguage,
                                          const QString& targetLanguage, bool bilingualProperNouns) {
    const QString contextValue = contextBlock(context);
    const QString workContextValue = workContextBlock(workContext);
    const QString glossaryValue = glossaryBlock(glossary, bilingualProperNouns);

    const std::array<std::pair<QString, const QString*>, 11> placeholders{{
        {QStringLiteral(u"{text}"), &text},
        {QStringLiteral(u"{src}"), &text},
        {QStringLiteral(u"{source_text}"), &text},
        {QStringLiteral(u"{context}"), &contextValue},
        {QStringLiteral(u"{work_context}"), &workContextValue},
        {QStringLiteral(u"{character_context}"), &workContextValue},
        {QStringLiteral(u"{glossary}"), &glossaryValue},
        {QStringLiteral(u"{srclang}"), &sourceLanguage},
        {QStringLiteral(u"{source_language}"), &sourceLanguage},
        {QStringLiteral(u"{tgtlang}"), &targetLanguage},
        {QStringLiteral(u"{target_language}"), &targetLanguage},
    }};

    const QString effectiveTemplate =
        templateText.trimmed().isEmpty() ? DefaultPrompts::shortTemplate() : templateText;

    // One left-to-right pass over the template only. Replacing placeholder by placeholder would
    // expand a "{glossary}" that the game text (or the work description) happens to contain,
    // and the result would depend on the order of the replacements.
    QString message;
    message.reserve(effectiveTemplate.size() + text.size() + contextValue.size() +
                    workContextValue.size() + glossaryValue.size());
    qsizetype position = 0;
    while (position < effectiveTemplate.size()) {
        const qsizetype brace = effectiveTemplate.indexOf(u'{', position);
        if (brace < 0) {
            message += QStringView(effectiveTemplate).mid(position);
            break;
        }
        message += QStringView(effectiveTemplate).mid(position, brace - position);
        const QStringView rest = QStringView(effectiveTemplate).mid(brace);
        const QString* value = nullptr;
        qsizetype consumed = 1;
        for (const auto& [name, replacement] : placeholders) {
            if (rest.startsWith(name)) {
                value = replacement;
                consumed = name.size();
                break;
            }
        }
        if (value)
            message += *value;
        else
            message += u'{';
        position = brace + consumed;
    }

    static const QRegularExpression blankRun(QStringLiteral(u"\n{3,}"));
    message.replace(blankRun, QStringLiteral(u"\n\n"));
    return message.trimmed();
}

}  // namespace ovisu
