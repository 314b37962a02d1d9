#include "support/DialogueImageRenderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace ovisu::test {
namespace {

QFont dialogueFont(const DialogueImageOptions& options) {
    QFont font(options.fontFamily);
    font.setPixelSize(options.pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// The picture behind the box: a gradient, and for a busy scene shapes and grain on top of it.
void paintPicture(QPainter& painter, const QRect& area, const DialogueImageOptions& options) {
    QRandomGenerator random(options.seed);
    const auto channel = [&random](int low, int high) { return int(random.bounded(low, high + 1)); };
    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0, QColor(channel(40, 220), channel(60, 220), channel(80, 240)));
    sky.setColorAt(1, QColor(channel(10, 160), channel(30, 170), channel(20, 150)));
    painter.fillRect(area, sky);
    if (options.background != DialogueBackground::busy) return;

    painter.setPen(Qt::NoPen);
    const int shapes = 40 + area.width() * area.height() / 6000;
    for (int i = 0; i < shapes; ++i) {
        painter.setBrush(QColor(channel(0, 255), channel(0, 255), channel(0, 255), channel(120, 255)));
        const int size = channel(6, std::max(8, area.height() / 3));
        const QRect shape(area.left() + channel(-size, area.width()), area.top() + channel(-size, area.height()),
                          size, channel(size / 2, size * 2));
        if (i % 3 == 0)
            painter.drawEllipse(shape);
        else if (i % 3 == 1)
            painter.drawRect(shape);
        else
            painter.drawRoundedRect(shape, size / 4.0, size / 4.0);
    }
    // Grain, the way a rendered scene with texture looks up close.
    QImage grain(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < grain.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grain.scanLine(y));
        for (int x = 0; x < grain.width(); ++x) {
            const int v = channel(0, 255);
            const int alpha = 40;
            row[x] = qRgba(v * alpha / 255, v * alpha / 255, v * alpha / 255, alpha);
        }
    }
    painter.drawImage(area.topLeft(), grain);
}

struct TextLayout {
    QList<QPointF> baselines;  // relative to the box's top-left
    QList<QRect> inkRects;     // relative to the box's top-left
    QSize boxSize;
};

TextLayout layOut(const DialogueImageOptions& options) {
    const QFont font = dialogueFont(options);
    const QFontMetricsF metrics(font);
    const double padX = options.pixelSize * 1.2;
    const double padY = options.pixelSize * 0.7;
    const double lineStep = metrics.lineSpacing() * 1.15;
    TextLayout layout;
    double widest = 0;
    for (const QString& line : options.lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    for (int i = 0; i < options.lines.size(); ++i) {
        const QPointF baseline(padX, padY + metrics.ascent() + i * lineStep);
        layout.baselines.append(baseline);
        QPainterPath path;
        path.addText(baseline, font, options.lines[i]);
        layout.inkRects.append(path.boundingRect().toAlignedRect());
    }
    const double height = padY * 2 + metrics.ascent() + metrics.descent() + (options.lines.size() - 1) * lineStep;
    layout.boxSize = QSize(int(std::ceil(widest + padX * 2)), int(std::ceil(height)));
    return layout;
}

// Draws the box and its text with the box's top-left at `origin`.
void paintSubtitle(QPainter& painter, const QPoint& origin, const TextLayout& layout,
                   const DialogueImageOptions& options) {
    const QFont font = dialogueFont(options);
    const QRectF box(origin, layout.boxSize);
    const double radius = options.pixelSize * 0.4;
    painter.setPen(Qt::NoPen);
    switch (options.style) {
    case DialogueTextStyle::outlinedOnDarkBox:
        painter.setBrush(QColor(8, 10, 24, 165));
        painter.drawRoundedRect(box, radius, radius);
        break;
    case DialogueTextStyle::darkOnLightBox:
        painter.setBrush(QColor(246, 242, 230, 235));
        painter.drawRoundedRect(box, radius, radius);
        break;
    case DialogueTextStyle::outlinedOnPicture:
        break;
    }
    for (int i = 0; i < options.lines.size(); ++i) {
        QPainterPath path;
        path.addText(layout.baselines[i] + QPointF(origin), font, options.lines[i]);
        if (options.style == DialogueTextStyle::darkOnLightBox) {
            painter.fillPath(path, QColor(32, 28, 40));
            continue;
        }
        QPen outline(QColor(12, 12, 20), std::max(2.0, options.pixelSize / 7.0), Qt::SolidLine, Qt::RoundCap,
                     Qt::RoundJoin);
        painter.strokePath(path, outline);
        painter.fillPath(path, QColor(255, 255, 250));
    }
}

QList<QRect> shifted(const QList<QRect>& rects, const QPoint& by) {
    QList<QRect> result;
    for (const QRect& rect : rects) result.append(rect.translated(by));
    return result;
}

}  // namespace

RenderedGameFrame renderGameFrame(const DialogueImageOptions& options, QSize frameSize) {
    const TextLayout layout = layOut(options);
    RenderedGameFrame result;
    result.frame = QImage(frameSize, QImage::Format_RGB32);
    QPainter painter(&result.frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPicture(painter, result.frame.rect(), options);
    const QPoint origin((frameSize.width() - layout.boxSize.width()) / 2,
                        frameSize.height() - layout.boxSize.height() - frameSize.height() / 24);
    paintSubtitle(painter, origin, layout, options);
    painter.end();
    const int margin = options.pictureMargin;
    result.subtitleRect = QRect(origin, layout.boxSize).adjusted(-margin, -margin, margin, margin) &
                          result.frame.rect();
    result.lineRects = shifted(layout.inkRects, origin);
    return result;
}

RenderedDialogue renderDialogueImage(const DialogueImageOptions& options) {
    const TextLayout layout = layOut(options);
    const int margin = std::max(0, options.pictureMargin);
    RenderedDialogue result;
    result.image = QImage(layout.boxSize + QSize(margin * 2, margin * 2), QImage::Format_RGB32);
    QPainter painter(&result.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPicture(painter, result.image.rect(), options);
    paintSubtitle(painter, QPoint(margin, margin), layout, options);
    painter.end();
    result.lineRects = shifted(layout.inkRects, QPoint(margin, margin));
    return result;
}

QStringList sampleDialogueLines() {
    return {
        QStringLiteral("今日はいい天気ですね。"),
        QStringLiteral("「あなたは誰ですか？」"),
        QStringLiteral("この扉の向こうに何があるのだろう。"),
        QStringLiteral("ちょっと待って！まだ話は終わってない。"),
        QStringLiteral("それで、どうするつもりなの？"),
        QStringLiteral("俺たちはもう引き返せないんだ。"),
        QStringLiteral("コーヒーを一杯いただけますか。"),
        QStringLiteral("……そんなこと、聞いてないよ。"),
        QStringLiteral("明日の朝、駅の前で会いましょう。"),
        QStringLiteral("魔王の城はこの山の向こうにある。"),
        QStringLiteral("お前の力を見せてもらおうか！"),
        QStringLiteral("ありがとう。本当に助かりました。"),
        QStringLiteral("この村には古い言い伝えがあります。"),
        QStringLiteral("ゲームをセーブしますか？"),
        QStringLiteral("HPが回復した。"),
        QStringLiteral("宝箱の中に鍵が入っていた。"),
        QStringLiteral("先生、質問してもいいですか？"),
        QStringLiteral("静かに。誰かが近づいてくる。"),
        QStringLiteral("彼女は窓の外をじっと見つめていた。"),
        QStringLiteral("それは秘密です。"),
        QStringLiteral("走れ！ここはもう持たない！"),
        QStringLiteral("夜になると、森の奥から歌が聞こえる。"),
        QStringLiteral("ご用意いたしました。どうぞ。"),
        QStringLiteral("また会えるといいな。"),
        QStringLiteral("新しいスキルを覚えた！"),
        QStringLiteral("約束、忘れないでね。"),
        QStringLiteral("ここから先は関係者以外立入禁止です。"),
        QStringLiteral("なぜ黙っていたんですか？"),
        QStringLiteral("三日後に祭りが始まります。"),
        QStringLiteral("カードを一枚引いてください。"),
        QStringLiteral("僕はずっと君を探していたんだ。"),
        QStringLiteral("船が港に着くのは夕方だそうだ。"),
        QStringLiteral("ふふっ、冗談よ。"),
        QStringLiteral("その剣は伝説の鍛冶屋が作ったものだ。"),
        QStringLiteral("雨が止むまで、ここで休もう。"),
        QStringLiteral("あれ？財布がない……"),
        QStringLiteral("王様がお呼びです。すぐに城へ。"),
        QStringLiteral("レベルが上がった！攻撃力が5上がった。"),
        QStringLiteral("もう少しだけ、一緒にいてくれる？"),
        QStringLiteral("この手紙を姉に届けてほしい。"),
        QStringLiteral("地図によると、洞窟は北にある。"),
        QStringLiteral("信じられない、夢みたいだ。"),
        QStringLiteral("準備はいいか？行くぞ！"),
        QStringLiteral("昔、この町には大きな図書館があった。"),
        QStringLiteral("電車に乗り遅れてしまいました。"),
        QStringLiteral("その話、詳しく聞かせてください。"),
        QStringLiteral("お腹が空いたね。何か食べに行こう。"),
        QStringLiteral("扉には不思議な模様が刻まれている。"),
        QStringLiteral("私の名前はサクラです。"),
        QStringLiteral("勝負はまだ終わっていないぞ。"),
        QStringLiteral("壊れた時計が十二時を指している。"),
        QStringLiteral("今度こそ、必ず守ってみせる。"),
        QStringLiteral("アイテムを使いますか？"),
        QStringLiteral("誰も知らない場所へ行きたいんだ。"),
        QStringLiteral("大丈夫、きっとうまくいくよ。"),
        QStringLiteral("この薬を飲めば元気になります。"),
        QStringLiteral("えっ、本当に？すごいじゃない！"),
        QStringLiteral("風が強くなってきましたね。"),
        QStringLiteral("手がかりは写真一枚だけだ。"),
        QStringLiteral("みんな、よく頑張ったな。"),
    };
}

}  // namespace ovisu::test
