#include <gtest/gtest.h>

#include "ui/fitting_label.h"

namespace tesselon {
namespace {

TEST(FittingLabel, ShrinksOnlyWhatDoesNotFit) {
    FittingLabel label;
    QFont font = label.font();
    font.setPointSize(12);
    label.setFont(font);
    label.setWordWrap(true);

    label.setGeometry(0, 0, 400, 40);
    label.setText("Cabe");
    EXPECT_EQ(label.fittedPointSize(), 12.0);

    // Two lines of wrapped text in a box one line high.
    label.setGeometry(0, 0, 120, 22);
    label.setText("Un texto demasiado largo para la caja");
    const qreal fitted = label.fittedPointSize();
    EXPECT_LT(fitted, 12.0);
    EXPECT_GE(fitted, FittingLabel::kSmallestPoints);
    EXPECT_EQ(label.font().pointSize(), 12);  // the control keeps its own font

    // Nothing fits a box this small: the smallest size, never less.
    label.setGeometry(0, 0, 5, 3);
    EXPECT_EQ(label.fittedPointSize(), FittingLabel::kSmallestPoints);
    label.setText("");
    EXPECT_EQ(label.fittedPointSize(), 12.0);
}

}  // namespace
}  // namespace tesselon
