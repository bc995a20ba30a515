// Every window of the station and its boxes, opened as a service technician meets them, on a
// 1366 x 768 screen at the scale CTest gives (QT_SCALE_FACTOR 1 and 2), in a light and a dark
// palette: each opens at least as large as its contents need, fits above a 48 px panel, and
// shows every label, button and check box text whole. With ORBEK_WINDOW_PICTURES=DIR each window
// is also saved as DIR/NAME-PALETTE-SCALE.png (scripts/screenshot-windows).
#include "qt/colours.hpp"
#include "qt/control_view.hpp"
#include "qt/qt_host.hpp"
#include "support/view_fixture.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

namespace orbek {
namespace {

QString text(QSize s) {
    return QString("%1 x %2").arg(s.width()).arg(s.height());
}

// The widest of `parts` as `w` shows them.
int widest(const QWidget* w, const QStringList& parts) {
    int most = 0;
    for (const QString& part : parts)
        most = std::max(most, w->fontMetrics().horizontalAdvance(part));
    return most;
}

// The room a label, button or check box has for its text within the style's margins, and the room
// the text takes (a wrapped label's words each on a line at worst, its lines all in sight).
std::pair<QSize, QSize> textRoom(QWidget* w) {
    const int line = w->fontMetrics().height();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().trimmed().isEmpty() || label->textFormat() == Qt::RichText) return {};
        const int m = label->margin();
        const QSize room = label->contentsRect().adjusted(m, m, -m, -m).size();
        if (!label->wordWrap()) {
            const QStringList lines = label->text().split('\n');
            return {room, QSize(widest(w, lines), line * int(lines.size()))};
        }
        return {room,
                QSize(widest(w, label->text().split(QRegularExpression("[ \u200B]"))),
                      label->heightForWidth(label->width()) - label->height() + room.height())};
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button || button->text().isEmpty()) return {};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    auto contents = QStyle::SE_PushButtonContents;
    int margin = 0;
    if (qobject_cast<QCheckBox*>(button)) {
        contents = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<QRadioButton*>(button)) {
        contents = QStyle::SE_RadioButtonContents;
    } else if (auto* push = qobject_cast<QPushButton*>(button)) {
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        margin = w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w);
    }
    return {w->style()->subElementRect(contents, &option, w).size() - QSize(margin, 0),
            QSize(widest(w, {QString(button->text()).remove('&')}), line)};
}

struct WindowFit : test::ViewFixture {
    const int scale = qRound(QGuiApplication::primaryScreen()->devicePixelRatio());

    // What of `window` does not show whole or does not fit the screen, one line each.
    static std::vector<std::string> faults(QWidget* window) {
        std::vector<std::string> out;
        const auto fault = [&](QWidget* w, const QString& what) {
            out.push_back((w->objectName() + ": " + what).toStdString());
        };
        const QSize framed = window->size() + qt::kFrameAllowance;
        if (framed.width() > 1366 || framed.height() > 768 - 48)
            fault(window, text(framed) + " with its frame");
        if (window->width() < window->minimumSizeHint().width() ||
            window->height() < window->minimumSizeHint().height())
            fault(window, "below the " + text(window->minimumSizeHint()) + " it needs");
        if (qobject_cast<QDialog*>(window) &&
            window->width() < qt::titleBarWidth(*window, window->windowTitle()))
            fault(window, "too narrow for its title " + window->windowTitle());
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->window() != window) continue;
            if (!window->rect().contains(QRect(w->mapTo(window, QPoint()), w->size())))
                fault(w, "outside the window");
            const auto [room, need] = textRoom(w);
            if (need.width() > room.width() || need.height() > room.height())
                fault(w, "its text needs " + text(need) + ", has " + text(room));
        }
        return out;
    }

    void check(const QString& name, QWidget* window, const QString& palette) {
        QApplication::processEvents();
        ASSERT_TRUE(window->isVisible()) << name.toStdString();
        for (const std::string& fault : faults(window))
            ADD_FAILURE() << name.toStdString() << " (" << palette.toStdString() << ", "
                          << scale * 100 << " %): " << fault;
        const QString folder = qEnvironmentVariable("ORBEK_WINDOW_PICTURES");
        const QString file = QString("%1-%2-%3.png").arg(name, palette).arg(scale * 100);
        EXPECT_TRUE(folder.isEmpty() || window->grab().save(QDir(folder).filePath(file)));
    }

    // Opens every window in turn with its longest texts and checks it.
    void tour(qt::StartView& main, const QString& palette) {
        StartWindow& w = *station->models().Start;
        check("Password", &main, palette);
        w.Text1.caption = "juniper";
        w.fire("OkStart");
        w.Label56.caption = " Set Power = 1300 Watts";
        w.Label44.caption = "Data-Logger (Writing)  5 hours";
        w.Label7[0].caption = "Error! Select COM Port ";
        w.Label11.visible = w.Label12.visible = true;
        main.render();
        check("Start", &main, palette);

        station->state.HolderTempRaw = "33";
        DataLoggerWindow& logger = *station->models().DataLogger;
        for (const char* name : {"Parametres", "Usures", "TestsMV", "DataLogger", "Boitestop",
                                 "AlarmHolder", "FenInfoHolder", "CodeDialogue", "Codeserreurs"}) {
            WindowModel& model = *station->findWindow(name);
            if (model.name() == "FenInfoHolder")
                w.fire("Label5[10]:MouseMove"); // the pointer over the holder cell
            else
                model.show();
            scheduler.advanceBy(1100); // the windows' load timers and clocks
            if (model.name() == "Parametres") model.fire("Setup");
            if (model.name() == "Usures") model.ctl("Label5[1]").caption = "262144";
            if (model.name() == "Boitestop") model.ctl("Label2").caption = "61";
            if (model.name() == "DataLogger") {
                logger.Label7.caption = folder.path().string() + "/Station/Data/a-long-name.csv";
                logger.Picture1.visible = true;
            }
            model.show(); // a window that closes itself meanwhile (the wait box) comes back
            main.render();
            check(name, main.findChild<QDialog*>(name), palette);
            model.unload();
            main.render();
        }

        // The boxes: the start-up's, the quit question, a wrong and a right access code (the
        // access-code box), the software address, the data logger's missing steps.
        w.fire("mnquitter");
        w.fire("mnuAdressesoft");
        for (const char* code : {"0", "5821"}) {
            station->models().Usures->Text1[0].caption = code;
            station->models().Usures->fire("Activation[0]");
        }
        logger.fire("Activation");
        std::set<std::string> seen;
        for (const auto& shown : ui.boxes()) {
            if (!seen.insert(shown.box.title + shown.box.text).second) continue;
            const auto box = qt::messageBox(shown.box, &main);
            box->show();
            // Named after the first two words of its text.
            const QString name = "Box-" + QString::fromStdString(shown.box.text)
                                              .simplified()
                                              .section(' ', 0, 1)
                                              .remove(QRegularExpression("\\W"));
            check(name, box.get(), palette);
        }
    }
};

TEST_F(WindowFit, EveryWindowOpensLargeEnoughForItsTextsAndFitsASmallScreen) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1366, 768));
    const QPalette light = QApplication::palette();
    view.reset();
    for (const QPalette& palette : {light, qt::darkPalette()}) {
        QApplication::setPalette(palette);
        rebuild();
        qt::StartView main(*station);
        main.show();
        app::Form_Load(*station);
        scheduler.advanceBy(100);
        main.render();
        tour(main, palette == light ? "light" : "dark");
    }
    QApplication::setPalette(light);
}

} // namespace
} // namespace orbek
