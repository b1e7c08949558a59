// Drives window 3 as a user would, once the main window's FTP button has opened it.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "ui/ftp_connection/ftp_connection_dialog.h"

namespace tesselon::testing {

// Runs `act` on window 3 once `open` (a click on the FTP button) has opened it; `act`
// must close it.
inline void withConnectionWindow(const std::function<void()>& open,
                                 const std::function<void(FtpConnectionDialog&)>& act) {
    // Looks for the window until it is up: the handler pumps events before it opens.
    QTimer poll;
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = dynamic_cast<FtpConnectionDialog*>(w); dialog && dialog->isVisible()) {
                poll.stop();
                act(*dialog);
                return;
            }
        }
        if (++tries > 500) {
            poll.stop();
            ADD_FAILURE() << "window 3 did not open";
        }
    });
    poll.start(10);
    open();
    EXPECT_FALSE(poll.isActive());
}

inline void clickIn(FtpConnectionDialog& d, int id) { qobject_cast<QAbstractButton*>(d.controls().widget(id))->click(); }

inline void type(FtpConnectionDialog& d, int id, const char* text) {
    auto* field = qobject_cast<QLineEdit*>(d.controls().widget(id));
    field->clear();
    QTest::keyClicks(field, text);
}

}  // namespace tesselon::testing
