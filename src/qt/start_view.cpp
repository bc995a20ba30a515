#include "qt/start_view.hpp"

#include "app/shutdown.hpp"
#include "app/station.hpp"
#include "qt/alarm_views.hpp"
#include "qt/code_views.hpp"
#include "qt/colours.hpp"
#include "qt/control_view.hpp"
#include "qt/data_logger_view.hpp"
#include "qt/line_list_view.hpp"
#include "qt/maintenance_views.hpp"
#include "qt/parameters_view.hpp"
#include "qt/picture_view.hpp"
#include "qt/station_style.hpp"
#include "qt/telemetry_view.hpp"
#include "qt/wait_box_view.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>

namespace orbek::qt {

namespace {

constexpr int kTwipsPerPixel = 15;
// Ten passes a second at most: a figure that changes faster cannot be read, a panel is read
// at a glance, and a user's input is drawn at once anyway. At a full line, a third less of a
// core than thirty passes (each pass lays out and paints the cells that changed).
constexpr int kPassMs = 100;
// How late a pass waits for the event that would draw it anyway: longer than the gap between
// two frames of a full line (9.4 ms).
constexpr int kLateMs = 12;
// The plot shrinks to this part of its designed size at most.
constexpr double kSmallestPlotScale = 0.75;

// The window's look: a grey instrument panel with sunken value cells and a dark plot. Fonts and
// frames are set once; colours go through the palette (see colours.hpp), never a style sheet.
void setFontLook(QWidget* widget, double scale, bool bold, bool italic = false) {
    QFont font = widget->font();
    if (scale != 1.0) font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    font.setItalic(italic);
    widget->setFont(font);
}

// A sunken value cell: a frame, a little room either side, bold figures.
void cellLook(QLabel* label) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(5, 0, 5, 0);
    setFontLook(label, 1.0, true);
}

// A boxed status text.
void statusLook(QLabel* label) {
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setMargin(3);
    setFontLook(label, 1.0, true);
}

// A surface in a fixed colour of the view's own, text colour chosen for it.
void fixedColours(QWidget* widget, const QColor& back, const QColor& text) {
    widget->setPalette(paletteWith(widget->palette(), ColourRole::Window, back, text));
    widget->setAutoFillBackground(true);
}

QLabel* newLabel(QWidget* parent, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(parent);
    label->setAlignment(alignment);
    return label;
}

// The power slider, telling where its thumb stands and when its geometry changes.
class PowerSlider : public QSlider {
  public:
    using QSlider::QSlider;
    std::function<void()> geometryChanged;
    int thumbCentreY() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
            .center()
            .y();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QSlider::resizeEvent(event);
        if (geometryChanged) geometryChanged();
    }
    void moveEvent(QMoveEvent* event) override {
        QSlider::moveEvent(event);
        if (geometryChanged) geometryChanged();
    }
};

// The plot and its scale strip: they ask for their designed size and take less at a pinch.
class Traces : public QWidget {
  public:
    using QWidget::QWidget;
    QSize sizeHint() const override {
        QSize size;
        for (const PictureView* picture : findChildren<PictureView*>()) {
            const QSize canvas = picture->canvasSize();
            size = QSize(size.width() + canvas.width(), std::max(size.height(), canvas.height()));
        }
        return size;
    }
};

// One row of the readings panel.
struct PanelRow {
    const char* arrayOfCell; // "Label5" or "Label2"
    int cell;
    int tag;
    const char* caption;
    const char* unit; // empty: none
    const char* spoken;
};

constexpr std::array<PanelRow, 10> kPanelRows{{
    {"Label5", 0, 0, "Label1", "Label18", "Lamp plasma control"},
    {"Label5", 1, 1, "Label3", "Label20", "Light flux control"},
    {"Label5", 6, 4, "Label16", "Label25", "Light intensity"},
    {"Label5", 7, 5, "Label14", "Label24", "IR light intensity"},
    {"Label5", 8, 6, "Label15", "Label26", "Relative humidity at samples"},
    {"Label5", 10, 7, "Label37", "Label27", "Samples holder temperature"},
    {"Label5", 4, 8, "Label10", "Label28", "Magnetron anode temperature"},
    {"Label2", 0, 9, "Label44", "", "Data logger state"},
    {"Label5", 3, 3, "Label9", "Label23", "Setup battery voltage"},
    {"Label5", 2, 2, "Label4", "Label21", "Power supply processor"},
}};

// Tops of the scale labels beside the bar, in pixels from the bar's top.
constexpr std::array<int, 10> kScaleTops{245, 205, 189, 149, 109, 93, 53, 29, 13, -3};
constexpr int kBarVisibleHeight = 262;
constexpr int kBarTop = 10;

} // namespace

StartView::StartView(Station& station, QWidget* parent, Windows windows)
    : QMainWindow(parent), station_(station), controls_(*station.models().Start) {
    useStationStyle();
    StartWindow& w = *station_.models().Start;
    setObjectName("Start");
    setAccessibleName("ORBEK station");

    buildMenus();

    auto* central = new QWidget(this);
    central->setObjectName("StartClient");
    central->setMouseTracking(true);
    central->installEventFilter(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    // The readings, the thermometer and the run column side by side, each framed once: the
    // window fits a 768-pixel screen above a desktop panel.
    auto* top = new QHBoxLayout;
    auto* readings = new QGroupBox("Readings", central);
    auto* readingsLayout = new QHBoxLayout(readings);
    readingsLayout->addWidget(buildPanel(), 1);
    auto* magnetron = new QGroupBox("Magnetron", central);
    auto* magnetronLayout = new QVBoxLayout(magnetron);
    magnetronLayout->addWidget(buildThermometer(), 0, Qt::AlignHCenter | Qt::AlignTop);
    top->addWidget(readings, 1);
    top->addWidget(magnetron, 0);
    top->addWidget(buildRunColumn(), 0);
    layout->addLayout(top, 0);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildPlotArea(), 1);
    bottom->addWidget(buildPowerColumn(), 0);
    layout->addLayout(bottom, 1);

    // Cells the design keeps outside the visible panel, and the plot's scratch list.
    auto* spare = new QWidget(central);
    spare->setObjectName("SpareCells");
    auto* spareLayout = new QHBoxLayout(spare);
    add(newLabel(spare), w.Label5[5], "Unused value cell");
    add(newLabel(spare), w.Label5[9], "Spare channel value");
    add(newLabel(spare), w.Label17, "Spare channel");
    auto* scratch = new QListView(spare);
    add(scratch, w.List1, "Plot file names");
    for (const char* name : {"Label5[5]", "Label5[9]", "Label17"})
        spareLayout->addWidget(widgetOf(name));
    spareLayout->addWidget(scratch);
    spare->hide();

    buildPasswordBox(central);
    setCentralWidget(central);

    if (windows == Windows::Now) buildWindows();

    frame_.setSingleShot(true);
    connect(&frame_, &QTimer::timeout, this, &StartView::render);
    Changes::listen([this] { requestRender(); });

    render();
    // The column beside the readings keeps the width of its longest captions.
    runColumn_->setFixedWidth(runColumn_->sizeHint().width());
    setTabOrder();
    resize(openingSize(*this, sizeHint()));
}

void StartView::buildWindows() {
    if (codeDialogue_) return;
    codeDialogue_ = new CodeDialogueView(station_, this);
    codeserreurs_ = new CodeserreursView(station_, this);
    codeDialogue_->renderAll = [this] { render(); };
    codeserreurs_->renderAll = [this] { render(); };
    boitestop_ = new BoitestopView(station_, this);
    boitestop_->renderAll = [this] { render(); };
    dataLogger_ = new DataLoggerView(station_, this);
    dataLogger_->renderAll = [this] { render(); };
    parametres_ = new ParametresView(station_, this);
    parametres_->renderAll = [this] { render(); };
    usures_ = new UsuresView(station_, this);
    usures_->renderAll = [this] { render(); };
    testsMV_ = new TestsMVView(station_, this);
    testsMV_->renderAll = [this] { render(); };
    alarmHolder_ = new AlarmHolderView(station_, this);
    alarmHolder_->renderAll = [this] { render(); };
    fenInfoHolder_ = new FenInfoHolderView(station_, this);
    fenInfoHolder_->renderAll = [this] { render(); };
    telemetry_ = new TelemetryView(station_, this);
    telemetry_->renderAll = [this] { render(); };
    // Just below and right of the holder cell: over it, it would take the pointer off the cell.
    fenInfoHolder_->anchor = [this] {
        return holderCell_->mapToGlobal(
            QPoint(holderCell_->width() / 2, holderCell_->height() + 4));
    };
    // A window shown meanwhile appears at the next pass.
    controls_.invalidate();
}

void StartView::setTabOrder() {
    // Reading order: the password box, the holder cell, the run buttons, the plot and its
    // buttons, then the light power.
    QWidget* previous = nullptr;
    for (const char* name : {"Text1", "OkStart", "Label5[10]", "Startbouton", "Stopbouton",
                             "StartHalogen", "StopHalogen", "List2", "Log", "Oscillo",
                             "EffScreenGraph", "Check1", "VScroll1[5]", "Command7"}) {
        QWidget* next = widgetOf(name);
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    }
    // Cancel, where the box has it, right after OK.
    QWidget::setTabOrder(widgetOf("OkStart"), widgetOf("AnnulerStart"));
}

StartView::~StartView() {
    Changes::listen({});
}

QWidget* StartView::add(QWidget* widget, const Control& control, const QString& accessible) {
    nameWidget(widget, control, accessible);
    // A control that hides keeps its place: nothing beside or below it moves.
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    // Alt and a letter of its caption press each button an operator uses, apart from the menus'
    // keys (File F, Port COM P, Functions U, Data Logger D, Codes C).
    static const std::map<std::string, char> keys{
        {"Startbouton", 'S'}, {"Stopbouton", 'T'}, {"StartHalogen", 'H'}, {"StopHalogen", 'G'},
        {"Log", 'L'},         {"Oscillo", 'O'},    {"Command7", 'A'},     {"EffScreenGraph", 'E'},
        {"Check1", 'B'}};
    const auto key = keys.find(control.name);
    controls_.add(control, widget, key == keys.end() ? QChar() : QChar(key->second));
    return widget;
}

QWidget* StartView::widgetOf(const std::string& control) const {
    return controls_.widget(control);
}

QWidget* StartView::bringForward(const std::string& window) {
    render();
    auto* dialog = findChild<QDialog*>(QString::fromStdString(window), Qt::FindDirectChildrenOnly);
    if (dialog && dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
    }
    return dialog;
}

QAction* StartView::actionOf(const std::string& control) const {
    return controls_.action(control);
}

void StartView::fire(const std::string& event) {
    if (station_.ended()) return;
    station_.models().Start->fire(event);
    controls_.invalidate();
    render();
}

// The keyboard key of each menu and entry, unique within its menu and a letter of the caption
// as designed. The port entries take their number's last digit: fourteen entries share thirteen
// characters, so COM 11 to COM 14 share 1 to 4 with COM 1 to COM 4, and that key moves between
// the two entries instead of choosing one.
QChar menuKey(const Control& c, std::set<QChar>& used) {
    static const std::map<std::string, char> keys{
        {"mnfichier", 'F'},        {"mnuPEMUser", 'O'},      {"mnuPESERVICE", 'S'},
        {"mnquitter", 'Q'},        {"mnPCom", 'P'},          {"mnufonctions", 'u'},
        {"mnuparametres", 'P'},    {"mnutestscompos", 'M'},  {"mnuusures", 'H'},
        {"mnuFreeze", 'F'},        {"mnuVRamCpuStamp", 'R'}, {"mnuVRamDs1307", 'D'},
        {"mnuAdressesoft", 'S'},   {"mnuDatalogger", 'D'},   {"mnufichierdatalogger", 'C'},
        {"mnuDataloggerOFF", 'O'}, {"mnuCode", 'C'},         {"mnucodeserreurs", 'E'},
        {"mnuCodeDialogue", 'C'},  {"mnuEnregistrer", 'R'}};
    QChar key;
    if (const auto it = keys.find(c.name); it != keys.end())
        key = QChar(it->second);
    else if (c.parent == "mnPCom" && !c.name.empty())
        key = QChar(c.name.back());
    else // an entry added since: the first letter of its caption that the menu has free
        for (QChar ch : QString::fromStdString(c.caption))
            if (ch.isLetterOrNumber() && !used.count(ch.toUpper())) {
                key = ch;
                break;
            }
    if (!key.isNull()) used.insert(key.toUpper());
    return key;
}

void StartView::buildMenus() {
    StartWindow& w = *station_.models().Start;
    std::map<std::string, QMenu*> menus;
    std::map<std::string, std::set<QChar>> keysUsed; // by menu; "" for the bar
    for (const Control& c : w.controls()) {
        if (c.kind != ControlKind::Menu && c.kind != ControlKind::Separator) continue;
        const QString caption = QString::fromStdString(c.caption);
        const QString name = QString::fromStdString(c.name);
        if (c.parent.empty()) {
            QMenu* menu = menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menu->setAccessibleName(caption);
            menu->menuAction()->setObjectName(name);
            // A menu title's click is its dropping down.
            if (w.handles(c.name))
                connect(menu, &QMenu::aboutToShow, this, [this, event = c.name] { fire(event); });
            menus[c.name] = menu;
            controls_.add(c, menu->menuAction(), menuKey(c, keysUsed[c.parent]));
            continue;
        }
        QMenu* menu = menus.at(c.parent);
        QAction* action =
            c.kind == ControlKind::Separator ? menu->addSeparator() : menu->addAction(caption);
        action->setObjectName(name);
        if (c.kind == ControlKind::Menu) {
            const std::string event = c.name;
            connect(action, &QAction::triggered, this, [this, event] { fire(event); });
        }
        controls_.add(c, action, menuKey(c, keysUsed[c.parent]));
    }
    // The port entries show which port is saved.
    for (int n = 1; n <= StartWindow::kPortCount; ++n)
        actionOf(w.mncom[n].name)->setCheckable(true);
    actionOf(w.mnufichierdatalogger.name)->setCheckable(true);
    actionOf(w.mnuDataloggerOFF.name)->setCheckable(true);
    actionOf(w.mnquitter.name)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // F10 opens the first menu the level shows, as on the usual desktops.
    auto* toMenus = new QAction(this);
    toMenus->setObjectName("MenuBarKey");
    toMenus->setShortcut(Qt::Key_F10);
    connect(toMenus, &QAction::triggered, this, [this] {
        for (QAction* menu : menuBar()->actions())
            if (menu->isVisible() && menu->isEnabled()) {
                menuBar()->setActiveAction(menu);
                return;
            }
    });
    addAction(toMenus);
}

QWidget* StartView::buildPanel() {
    StartWindow& w = *station_.models().Start;
    auto* panel = new QWidget;
    panel->setObjectName("ReadingsPanel");
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(5);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    int row = 0;
    for (const PanelRow& r : kPanelRows) {
        const QString spoken = r.spoken;
        Control& cell =
            std::string(r.arrayOfCell) == "Label5" ? w.Label5[r.cell] : w.Label2[r.cell];
        auto* value = new ValueLabel(panel);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFont(fixed);
        cellLook(value);
        // A fixed size: a new reading repaints the cell and lays out nothing else.
        const QFontMetrics metrics(value->font());
        const int frame = 2 * value->frameWidth();
        value->setFixedSize(std::max(74, metrics.horizontalAdvance("000000.0") + 10 + frame),
                            metrics.height() + 4 + frame);
        value->installEventFilter(this);
        value->setMouseTracking(true);
        grid->addWidget(add(value, cell, spoken + " value"), row, 0);
        if (&cell == &w.Label5[10]) {
            // The holder's information window also opens from the keyboard: Tab to the cell.
            holderCell_ = value;
            value->setFocusPolicy(Qt::TabFocus);
        }

        auto* tag = newLabel(panel);
        tag->setFont(fixed);
        grid->addWidget(add(tag, w.Label13[r.tag], spoken + " tag"), row, 1);
        auto* caption = newLabel(panel);
        if (*r.unit) {
            grid->addWidget(add(caption, w.ctl(r.caption), spoken), row, 2);
        } else {
            // A caption without a unit (the logger's, which grows with the interval) takes the
            // room to the right and never widens the caption column.
            caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            grid->addWidget(add(caption, w.ctl(r.caption), spoken), row, 2, 1, 3);
        }
        if (*r.unit) {
            auto* unit = newLabel(panel);
            unit->setFont(fixed);
            grid->addWidget(add(unit, w.ctl(r.unit), spoken + " unit"), row, 3);
        }
        ++row;
    }
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(row, 1);
    return panel;
}

QWidget* StartView::buildThermometer() {
    StartWindow& w = *station_.models().Start;
    auto* box = new QWidget;
    box->setObjectName("Thermometer");
    box->setFixedSize(96, kBarVisibleHeight + 2 * kBarTop);
    auto* bar = new PictureView(w.Picture6Canvas, kBarVisibleHeight, box);
    bar->move(18, kBarTop);
    pictures_.push_back(bar);
    add(bar, w.Picture6, "Magnetron temperature bar");

    // The limit lines cross the bar at 120 and 70 degrees.
    const auto limitLine = [&](Control& c, int degrees, const QString& spoken) {
        auto* line = new QFrame(box);
        line->setFrameShape(QFrame::NoFrame);
        fixedColours(line, QColor(0xe0, 0, 0), Qt::black);
        line->setGeometry(10, kBarTop + 256 - 2 * degrees, 24, 2);
        add(line, c, spoken);
    };
    limitLine(w.Line15, 120, "Limit line 120 degrees");
    limitLine(w.Line17, 70, "Limit line 70 degrees");

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    for (int i = 0; i <= 9; ++i) {
        auto* mark = newLabel(box);
        mark->setFont(small);
        mark->setContentsMargins(2, 0, 2, 0);
        mark->setGeometry(36, kBarTop + kScaleTops[static_cast<std::size_t>(i)], 56, 16);
        add(mark, w.Label6[i], QString("Temperature scale mark %1").arg(i));
    }
    return box;
}

QWidget* StartView::buildRunColumn() {
    StartWindow& w = *station_.models().Start;
    auto* column = new QWidget;
    runColumn_ = column;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* run = new QGroupBox("Lamp", column);
    auto* runLayout = new QVBoxLayout(run);
    auto* startStop = new QHBoxLayout;
    for (Control* c : {&w.Startbouton, &w.Stopbouton}) {
        auto* button = new QPushButton(run);
        setFontLook(button, 1.3, true);
        button->setMinimumHeight(44);
        const std::string name = c->name;
        connect(button, &QPushButton::clicked, this, [this, name] { fire(name); });
        startStop->addWidget(add(button, *c));
    }
    runLayout->addLayout(startStop);
    auto* phase = newLabel(run, Qt::AlignCenter);
    statusLook(phase);
    setFontLook(phase, 1.4, true);
    fixedColours(phase, QColor(0x1e, 0x1e, 0x1e), QColor(0xff, 0xd2, 0x4a));
    phase->setMinimumWidth(180);
    runLayout->addWidget(add(phase, w.Label22, "Lamp phase"));
    layout->addWidget(run);

    auto* halogen = new QGroupBox("Halogen lamps", column);
    auto* halogenLayout = new QHBoxLayout(halogen);
    for (Control* c : {&w.StartHalogen, &w.StopHalogen}) {
        auto* button = new QPushButton(halogen);
        const std::string name = c->name;
        connect(button, &QPushButton::clicked, this, [this, name] { fire(name); });
        halogenLayout->addWidget(add(button, *c));
    }
    layout->addWidget(halogen);

    auto* link = new QGroupBox("RS232 link", column);
    auto* linkLayout = new QVBoxLayout(link);
    auto* status = newLabel(link, Qt::AlignCenter);
    statusLook(status);
    // Room for the longest link caption, so the column keeps its width as the link changes.
    status->setMinimumWidth(status->fontMetrics().horizontalAdvance("Error! Select COM Port   ") +
                            2 * (status->margin() + status->frameWidth()));
    linkLayout->addWidget(add(status, w.Label7[0], "Link state"));
    for (Control* c : {&w.Label11, &w.Label12}) {
        auto* warning = newLabel(link, Qt::AlignCenter);
        setFontLook(warning, 1.0, true);
        linkLayout->addWidget(add(warning, *c));
    }
    layout->addWidget(link);
    layout->addStretch(1);

    auto* maker = newLabel(column, Qt::AlignCenter);
    setFontLook(maker, 1.2, true, true);
    maker->setMargin(2);
    layout->addWidget(add(maker, w.Label29, "Maker"));
    return column;
}

QWidget* StartView::buildPlotArea() {
    StartWindow& w = *station_.models().Start;
    auto* group = new QGroupBox("Plot / event list");
    auto* layout = new QVBoxLayout(group);

    plotArea_ = new QWidget(group);
    plotArea_->setObjectName("PlotArea");
    plotArea_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    plotArea_->installEventFilter(this);
    auto* stack = new QGridLayout(plotArea_);
    stack->setContentsMargins(0, 0, 0, 0);

    // The scale strip and the plot side by side, scaled together to the room they get.
    traces_ = new Traces(plotArea_);
    scale_ = new PictureView(w.Picture7Canvas, 0, traces_);
    plot_ = new PictureView(w.Picture5Canvas, 0, traces_);
    add(scale_, w.Picture7, "Plot scale");
    add(plot_, w.Picture5, "Plot of the readings");
    pictures_.push_back(scale_);
    pictures_.push_back(plot_);
    traces_->setMinimumSize((QSizeF(plot_->canvasSize().width() + scale_->canvasSize().width(),
                                    plot_->canvasSize().height()) *
                             kSmallestPlotScale)
                                .toSize());
    traces_->installEventFilter(this);
    QWidget* traces = traces_;
    stack->addWidget(traces, 0, 0);

    eventList_ = new LineListView(plotArea_);
    eventList_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    events_ = new ListItemsModel(w.List2, eventList_);
    eventList_->setModel(events_);
    add(eventList_, w.List2, "Event list");
    stack->addWidget(eventList_, 0, 0);
    layout->addWidget(plotArea_, 1);

    auto* buttons = new QHBoxLayout;
    for (Control* c : {&w.Log, &w.Oscillo, &w.EffScreenGraph}) {
        auto* button = new QPushButton(group);
        button->setMinimumWidth(80);
        const std::string name = c->name;
        connect(button, &QPushButton::clicked, this, [this, name] { fire(name); });
        buttons->addWidget(add(button, *c));
    }
    auto* wrap = new QCheckBox(group);
    connect(wrap, &QCheckBox::clicked, this, [this](bool checked) {
        if (station_.ended()) return;
        station_.models().Start->Check1.checked = checked;
        fire("Check1");
    });
    buttons->addWidget(add(wrap, w.Check1, "Plot wrap-around (TB-Reset)"));
    buttons->addStretch(1);
    buttons->addWidget(add(newLabel(group), w.Label19, "Plot time scale"));
    layout->addLayout(buttons);
    return group;
}

QWidget* StartView::buildPowerColumn() {
    StartWindow& w = *station_.models().Start;
    auto* group = new QGroupBox("Light power");
    auto* layout = new QVBoxLayout(group);

    auto* setPower = newLabel(group, Qt::AlignCenter);
    statusLook(setPower);
    setPower->setCursor(Qt::PointingHandCursor);
    setPower->installEventFilter(this);
    // Room for the highest power, so the column keeps its width as the figure changes.
    setPower->setMinimumWidth(
        setPower->fontMetrics().horizontalAdvance(
            QString(" Set Power = %1 Watts").arg(StartWindow::kPowerMax * 10)) +
        2 * (setPower->margin() + setPower->frameWidth()));
    layout->addWidget(add(setPower, w.Label56, "Set power"));
    setPower_ = setPower;

    auto* row = new QHBoxLayout;
    // The value label rides beside the thumb, in a column of its own.
    auto* column = new QWidget(group);
    auto* value = newLabel(column, Qt::AlignRight | Qt::AlignVCenter);
    value->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    add(value, w.Label8, "Power slider value");
    column->setMinimumWidth(value->fontMetrics().horizontalAdvance("00000"));
    row->addWidget(column, 1);
    auto* slider = new PowerSlider(Qt::Vertical, group);
    slider->setMinimumHeight(200);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(10);
    connect(slider, &QSlider::sliderMoved, this, [this](int v) {
        if (rendering_ || station_.ended()) return;
        station_.models().Start->VScroll1[5].value = v;
        fire("VScroll1[5]:Scroll");
    });
    connect(slider, &QSlider::valueChanged, this, [this](int v) {
        if (rendering_ || station_.ended()) return;
        station_.models().Start->VScroll1[5].value = v;
        fire("VScroll1[5]:Change");
    });
    row->addWidget(add(slider, w.VScroll1[5], "Light power"), 0, Qt::AlignHCenter);
    row->addStretch(1);
    layout->addLayout(row, 1);
    const auto followThumb = [group, column, value, slider] {
        const int height = value->sizeHint().height();
        const int centre =
            slider->mapTo(group, QPoint(0, slider->thumbCentreY())).y() - column->y();
        const int top = std::clamp(centre - height / 2, 0, std::max(0, column->height() - height));
        value->setGeometry(0, top, column->width(), height);
    };
    slider->geometryChanged = followThumb;
    connect(slider, &QSlider::valueChanged, value, followThumb);
    connect(slider, &QSlider::rangeChanged, value, followThumb);

    auto* send = new QPushButton(group);
    connect(send, &QPushButton::clicked, this, [this] { fire("Command7"); });
    layout->addWidget(add(send, w.Command7));
    return group;
}

void StartView::buildPasswordBox(QWidget* central) {
    StartWindow& w = *station_.models().Start;
    passwordBox_ = new QFrame(central);
    passwordBox_->setFrameShape(QFrame::StyledPanel);
    passwordBox_->setFrameShadow(QFrame::Raised);
    passwordBox_->setAutoFillBackground(true);
    add(passwordBox_, w.Picture8, "Password box");
    auto* grid = new QGridLayout(passwordBox_);
    grid->addWidget(add(newLabel(passwordBox_), w.Label30), 0, 0);
    auto* field = new QLineEdit(passwordBox_);
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet("lineedit-password-character: 42;");
    connect(field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (station_.ended()) return;
        station_.models().Start->Text1.caption = text.toStdString();
        fire("Text1:Change");
    });
    connect(field, &QLineEdit::returnPressed, this, [this] { fire("OkStart"); });
    grid->addWidget(add(field, w.Text1, "Password"), 0, 1);
    auto* ok = new QPushButton(passwordBox_);
    connect(ok, &QPushButton::clicked, this, [this] { fire("OkStart"); });
    grid->addWidget(add(ok, w.OkStart), 1, 1, Qt::AlignRight);
    auto* cancel = new QPushButton(passwordBox_);
    connect(cancel, &QPushButton::clicked, this, [this] { fire("AnnulerStart"); });
    grid->addWidget(add(cancel, w.AnnulerStart), 1, 0, Qt::AlignRight);
    // Escape in the box cancels it where Cancel is there to press.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), passwordBox_);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this, cancel] {
        if (cancel->isVisible()) fire("AnnulerStart");
    });
}

void StartView::placePasswordBox() {
    const StartWindow& w = *station_.models().Start;
    // The designed size, or larger where its texts need it (a larger font, another language).
    const QSize size = QSize(StartWindow::kPasswordBoxWidth / kTwipsPerPixel,
                             StartWindow::kPasswordBoxHeight / kTwipsPerPixel)
                           .expandedTo(passwordBox_->minimumSizeHint());
    if (passwordBox_->size() != size) passwordBox_->resize(size);
    QWidget* area = centralWidget();
    const int x = std::clamp(w.Picture8.left / kTwipsPerPixel, 0,
                             std::max(0, area->width() - passwordBox_->width()));
    const int y = std::clamp(w.Picture8.top / kTwipsPerPixel - menuBar()->height(), 0,
                             std::max(0, area->height() - passwordBox_->height()));
    if (passwordBox_->pos() != QPoint(x, y)) passwordBox_->move(x, y);
    passwordBox_->raise();
}

void StartView::fitPlot() {
    if (!plot_ || !traces_) return;
    // The plot fills the room it has, its proportions kept; a whole magnification where it fits
    // keeps every pixel line sharp.
    const QSize plot = plot_->canvasSize();
    const QSize strip = scale_->canvasSize();
    const double fit = std::min(double(traces_->width()) / (plot.width() + strip.width()),
                                double(traces_->height()) / plot.height());
    const double scale = fit >= 1.0 ? std::floor(fit) : std::max(fit, kSmallestPlotScale);
    scale_->setScale(scale);
    plot_->setScale(scale);
    const int width = scale_->width() + plot_->width();
    const int left = std::max(0, (traces_->width() - width) / 2);
    const int top = std::max(0, (traces_->height() - plot_->height()) / 2);
    scale_->move(left, top);
    plot_->move(left + scale_->width(), top);
}

void StartView::requestRender() {
    if (frame_.isActive() || station_.ended()) return;
    // Nothing changed since the last pass: nothing to draw, no wake-up.
    if (Changes::count() == renderedAt_) {
        Changes::arm();
        return;
    }
    const qint64 left = sinceRender_.isValid() ? kPassMs - sinceRender_.elapsed() : 0;
    frame_.start(static_cast<int>(std::max<qint64>(0, left) + kLateMs));
}

void StartView::renderSoon() {
    if (station_.ended() || Changes::count() == renderedAt_) return;
    if (!sinceRender_.isValid() || sinceRender_.elapsed() >= kPassMs)
        render();
    else
        requestRender();
}

void StartView::render() {
    frame_.stop();
    sinceRender_.start();
    draw();
    renderedAt_ = Changes::count();
    Changes::arm();
}

void StartView::draw() {
    if (station_.ended()) return;
    StartWindow& w = *station_.models().Start;
    if (!w.loaded()) return;
    rendering_ = true;
    const QString title = QString::fromStdString(w.caption);
    if (windowTitle() != title) setWindowTitle(title);
    // The word taken, the password box goes: its field lets go of the focus first, so that the
    // toolkit does not hand it on to the next control in the chain (the holder cell).
    const bool passwordTaken = !w.Picture8.visible && passwordBox_->isVisible();
    if (passwordTaken && passwordBox_->isAncestorOf(QApplication::focusWidget()))
        QApplication::focusWidget()->clearFocus();
    controls_.render();
    if (passwordTaken) focusFirstControl();
    for (PictureView* picture : pictures_)
        picture->refresh();

    QScrollBar* scroll = eventList_->verticalScrollBar();
    const bool atEnd = scroll->value() >= scroll->maximum();
    if (events_->sync() && atEnd) eventList_->scrollToBottom();

    if ((passwordBoxPlacedAt_ == 0 || w.Picture8.changedAt() > passwordBoxPlacedAt_) &&
        passwordBox_->isVisible()) {
        placePasswordBox();
        passwordBoxPlacedAt_ = Changes::count();
    }
    if (w.focusRequest != focusRequest_) {
        focusRequest_ = w.focusRequest;
        if (QWidget* target = widgetOf(w.focusControl)) {
            activateWindow();
            target->setFocus(Qt::OtherFocusReason);
        }
    }
    // The other windows' views are built once one of them shows, if not built yet.
    if (!codeDialogue_)
        for (WindowModel* window : station_.windows())
            if (window != &w && window->shown()) buildWindows();
    if (!codeDialogue_) {
        rendering_ = false;
        return;
    }
    codeDialogue_->render();
    codeserreurs_->render();
    boitestop_->render();
    dataLogger_->render();
    parametres_->render();
    usures_->render();
    testsMV_->render();
    alarmHolder_->render();
    fenInfoHolder_->render();
    telemetry_->render();
    rendering_ = false;
}

void StartView::focusFirstControl() {
    // The first control an operator uses: START, or the light power while a run holds START. The
    // word typed, the keyboard is in use: the focus shows.
    setAttribute(Qt::WA_KeyboardFocusChange);
    const StartWindow& w = *station_.models().Start;
    for (const Control* c : {&w.Startbouton, &w.VScroll1[5], &w.Log})
        if (c->visible && c->enabled) {
            widgetOf(c->name)->setFocus(Qt::OtherFocusReason);
            return;
        }
}

bool StartView::focusNextPrevChild(bool next) {
    // A move from a control that is there to use is the user's Tab; a move off a control that
    // hides or greys is the toolkit's.
    const QWidget* from = QApplication::focusWidget();
    userTab_ = from && from->isVisible() && from->isEnabled();
    const bool moved = QMainWindow::focusNextPrevChild(next);
    userTab_ = false;
    return moved;
}

void StartView::storeGeometry() {
    StartWindow& w = *station_.models().Start;
    const QRect frame = frameGeometry();
    w.left = frame.x() * kTwipsPerPixel;
    w.top = frame.y() * kTwipsPerPixel;
    w.width = frame.width() * kTwipsPerPixel;
    w.height = frame.height() * kTwipsPerPixel;
}

void StartView::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!station_.ended()) storeGeometry();
}

void StartView::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!station_.ended()) storeGeometry();
    fitPlot();
    // The password box keeps its place inside the new size at the next pass.
    passwordBoxPlacedAt_ = 0;
    requestRender();
}

bool StartView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == traces_) fitPlot();
    if (event->type() == QEvent::MouseButtonRelease && watched == setPower_) fire("Label56");
    if (event->type() == QEvent::MouseMove) {
        if (watched == holderCell_)
            fire("Label5[10]:MouseMove");
        else if (watched == centralWidget())
            fire("Form_MouseMove");
    }
    if (watched == holderCell_) {
        // The pointer leaving the cell, or the focus leaving it for another control, closes the
        // information window; the focus arriving opens it.
        if (event->type() == QEvent::Leave && !holderCell_->hasFocus()) fire("Form_MouseMove");
        if (event->type() == QEvent::FocusIn) {
            holderCell_->setFrameStyle(QFrame::Box | QFrame::Plain);
            // Only the user's Tab opens it, not a focus the window or the toolkit moves.
            if (userTab_) fire("Label5[10]:MouseMove");
        }
        if (event->type() == QEvent::FocusOut) {
            holderCell_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                fire("Form_MouseMove");
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void StartView::closeEvent(QCloseEvent* event) {
    // The close box ends the station as "Quit" does, without the question, so no hidden
    // window keeps it alive.
    if (!station_.ended()) app::QuittFinal(station_);
    event->accept();
}

} // namespace orbek::qt
