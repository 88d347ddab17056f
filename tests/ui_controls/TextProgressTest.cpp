#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "ui/controls/CThemeHelper.h"
#include "ui/controls/CXPTextProgCtrl.h"

namespace tarnel::ui {
namespace {

const QColor kBar(0, 0, 200);
const QColor kEmpty(255, 255, 255);

QPalette FixedPalette() {
    QPalette palette;
    palette.setColor(QPalette::Highlight, kBar);
    palette.setColor(QPalette::Base, kEmpty);
    return palette;
}

QImage Render(const ProgressState& state, bool themed, QSize size = {200, 24}) {
    CThemeHelper::ForceThemeActive(themed);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setStyleStrategy(QFont::NoAntialias);  // exact colours in the glyphs
    painter.setFont(font);
    QWidget source;
    source.setPalette(FixedPalette());
    static const std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
    source.setStyle(fusion.get());
    CXPTextProgCtrl::PaintBar(painter, image.rect(), state, &source);
    painter.end();
    CThemeHelper::ForceThemeActive(std::nullopt);
    return image;
}

int CountColour(const QImage& image, QRect area, const QColor& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

TEST(TextProgressTest, PlainBarFillsTruncatedWidthAndInvertsItsText) {
    ProgressState state;
    state.pos = 37;  // 200 * 0.37 = 74 pixels filled; "37%" lies over the empty part
    QImage image = Render(state, false);
    EXPECT_EQ(image.pixelColor(73, 0), kBar);
    EXPECT_EQ(image.pixelColor(74, 0), kEmpty);
    const QRect filled(0, 0, 74, 24), rest(74, 0, 126, 24);
    EXPECT_EQ(CountColour(image, filled, kEmpty), 0);
    EXPECT_GT(CountColour(image, rest, kBar), 10) << "text over the empty part in the bar colour";

    state.pos = 50;  // the text straddles the edge: both halves inverted
    image = Render(state, false);
    EXPECT_GT(CountColour(image, QRect(0, 0, 100, 24), kEmpty), 10);
    EXPECT_GT(CountColour(image, QRect(100, 0, 100, 24), kBar), 10);

    state.text = "Converting: 50%";  // an explicit text in an explicit colour everywhere
    state.textColour = QColor(255, 0, 0);
    image = Render(state, false);
    EXPECT_GT(CountColour(image, QRect(0, 0, 100, 24), state.textColour), 10);
    EXPECT_GT(CountColour(image, QRect(100, 0, 100, 24), state.textColour), 10);

    state = {};
    state.pos = 500;  // beyond the range: full, not past the rectangle
    state.showText = false;
    image = Render(state, false);
    EXPECT_EQ(CountColour(image, image.rect(), kBar), 200 * 24);

    state.min = state.max = 10;  // empty range: nothing at all
    image = Render(state, false);
    EXPECT_EQ(CountColour(image, image.rect(), QColor(Qt::transparent)), 200 * 24);
}

TEST(TextProgressTest, ThemedBarDrawsThroughTheStyleInsideItsInset) {
    ProgressState state;
    state.pos = 100;
    const QImage plain = Render(state, false);
    const QImage themed = Render(state, true);
    EXPECT_EQ(plain.pixelColor(1, 12), kBar);
    EXPECT_EQ(themed.pixelColor(1, 12).alpha(), 0) << "4-pixel inset left for the parent";
    // The style's chunk follows the palette's highlight colour.
    const QColor centre = themed.pixelColor(100, 12);
    EXPECT_GT(centre.blue(), centre.red() + 60);
    // No percentage on the themed path: the centre row has no text colour runs.
    state.pos = 0;
    const QImage empty = Render(state, true);
    EXPECT_EQ(CountColour(empty, QRect(80, 8, 40, 8), kBar), 0);
}

// Counts repaints so that the pixel-step rule can be seen.
class CountingBar : public CTextProgressCtrl {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CTextProgressCtrl::paintEvent(event);
    }
};

TEST(TextProgressTest, PositionRepaintsOnlyWhenTheFilledWidthChanges) {
    CountingBar bar;
    bar.resize(100, 20);
    bar.SetRange(0, 1000);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    for (int i = 0; i < 100 && bar.paints == 0; ++i) QApplication::processEvents();
    ASSERT_GT(bar.paints, 0);
    QApplication::processEvents();
    const int before = bar.paints;

    EXPECT_EQ(bar.SetPos(5), 0);  // 0.5 pixel: still 0 wide
    EXPECT_EQ(bar.paints, before);
    EXPECT_EQ(bar.SetPos(10), 5);  // 1 pixel
    EXPECT_EQ(bar.paints, before + 1);
    EXPECT_EQ(bar.SetPos(19), 10);
    EXPECT_EQ(bar.paints, before + 1);

    EXPECT_EQ(bar.SetStep(10), 1);
    EXPECT_EQ(bar.StepIt(), 19);
    EXPECT_EQ(bar.GetPos(), 29);
    EXPECT_EQ(bar.OffsetPos(-9), 29);
    EXPECT_EQ(bar.GetPos(), 20);

    EXPECT_TRUE(bar.SetShowText(false));
    EXPECT_FALSE(bar.SetShowText(false));
    EXPECT_FALSE(bar.SetBarColour(Qt::red).isValid());
    EXPECT_EQ(bar.SetBarColour(QColor()), QColor(Qt::red));
}

}  // namespace
}  // namespace tarnel::ui
