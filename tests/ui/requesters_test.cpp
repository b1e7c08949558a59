#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFontDialog>
#include <QTimer>

#include "ui/font_requester.h"
#include "ui/requesters.h"

namespace tesselon::testing {
namespace {

TEST(Requesters, FilterListsInQtsForm) {
    EXPECT_EQ(qtFilterList("Configuración (*.cfg)|*.cfg|Todos (*.*)|*.*"), "Configuración (*.cfg);;Todos (*.*)");
    EXPECT_EQ(qtFilterList("Texto (*.txt)|*.txt|Todos (*.*)|*.*"), "Texto (*.txt);;Todos (*.*)");
    EXPECT_EQ(qtFilterList("Imágenes|*.jpg;*.png"), "Imágenes (*.jpg *.png)");
    EXPECT_EQ(qtFilterList("Sólo texto"), "Sólo texto");
    EXPECT_EQ(qtFilterList(""), "");
    EXPECT_EQ(qtFilterList("|*.cfg"), "(*.cfg)");
}

// Answers the next modal dialog that comes up with `answer`, after `prepare` ran on it.
void answerNextDialog(std::function<void(QDialog*)> prepare, bool accept) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, prepare, accept] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll->stop();
        poll->deleteLater();
        if (prepare) prepare(dialog);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    poll->start(10);
}

TEST(Requesters, CancellingTheRealDialogsAnswersNothing) {
    for (RequesterKind kind : {RequesterKind::OpenFile, RequesterKind::SaveFile, RequesterKind::Folder,
                               RequesterKind::Colour, RequesterKind::Font}) {
        answerNextDialog({}, false);
        RequesterCall call;
        call.kind = kind;
        call.title = "Título";
        call.initialPath = "/tmp";
        call.filters = "Todos (*.*)|*.*";
        const RequesterAnswer a = showRequester(call, nullptr);
        EXPECT_FALSE(a.accepted) << int(kind);
        EXPECT_TRUE(a.path.empty());
    }
}

TEST(Requesters, ColourDialogAnswersTheChosenColour) {
    answerNextDialog([](QDialog* d) { static_cast<QColorDialog*>(d)->setCurrentColor(QColor(0x10, 0x20, 0x30)); },
                     true);
    RequesterCall call;
    call.kind = RequesterKind::Colour;
    call.colour = 0xFFFFFF;
    const RequesterAnswer a = showRequester(call, nullptr);
    ASSERT_TRUE(a.accepted);
    EXPECT_EQ(a.colour, 0x302010u);
}

TEST(Requesters, FontRequesterAnswersFontEffectsAndColourTogether) {
    const FontChoice preset{"Arial", 24, 0x0000FF, true, false, false, false};
    {
        // Accepted as shown: the face keeps the name it was given, whatever stands in for it here.
        FontRequester dialog(preset);
        EXPECT_EQ(dialog.choice(), preset);
    }
    answerNextDialog(
        [](QDialog* d) {
            auto* requester = static_cast<FontRequester*>(d);
            QFont font("DejaVu Serif");
            font.setPointSize(13);
            font.setItalic(true);
            font.setUnderline(true);
            font.setStrikeOut(true);
            requester->fontDialog()->setCurrentFont(font);
            requester->setColour(0x00FF00);
        },
        true);
    RequesterCall call;
    call.kind = RequesterKind::Font;
    call.font = preset;
    const RequesterAnswer a = showRequester(call, nullptr);
    ASSERT_TRUE(a.accepted);
    EXPECT_EQ(a.font.face, "DejaVu Serif");
    EXPECT_EQ(a.font.points, 13);
    EXPECT_EQ(a.font.colour, 0x00FF00u);
    EXPECT_TRUE(a.font.italic);
    EXPECT_TRUE(a.font.underline);
    EXPECT_TRUE(a.font.strikeOut);
}

}  // namespace
}  // namespace tesselon::testing
