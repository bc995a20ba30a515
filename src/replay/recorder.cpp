#include "replay/recorder.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "app/user_levels.hpp"
#include "core/paths.hpp"
#include "core/window.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace orbek::replay {

namespace fs = std::filesystem;

namespace {

// The answer a box still open when the recording ends gets: none before the replay's end.
const std::string kStillOpen = "999999999999";
// Reserved answer lines: a box's answer, and a file dialog's with its path.
constexpr std::size_t kAnswerWidth = 40;
constexpr std::size_t kFileAnswerWidth = 320;
// A recording begun mid-session logs its fresh station in at this time, and takes its line away
// at the other where the line is lost and the station tries to open it again.
constexpr int64_t kLoginMs = 50;
constexpr int64_t kUnplugMs = 60;

const char* answerName(MsgAnswer answer) {
    return answer == MsgAnswer::Yes ? "Yes" : answer == MsgAnswer::No ? "No" : "Ok";
}

} // namespace

// --- The seams -----------------------------------------------------------------------------

bool SessionRecorder::Port::open(int number) {
    const bool wasOpen = isOpen();
    return afterOpen(wasOpen, ForwardingPort::open(number));
}

bool SessionRecorder::Port::reopen(int number) {
    const bool wasOpen = isOpen();
    return afterOpen(wasOpen, ForwardingPort::reopen(number));
}

bool SessionRecorder::Port::afterOpen(bool wasOpen, bool opened) {
    SessionRecorder& r = recorder_;
    if (wasOpen) return opened;
    // The replay's line fails to open as this one did, and opens again when this one does.
    if (r.recording() && opened == r.unplugged_) r.stepBefore(opened ? "port plug" : "port unplug");
    r.unplugged_ = !opened;
    return opened;
}

void SessionRecorder::Port::write(const std::vector<uint8_t>& bytes) {
    const bool wasOpen = isOpen();
    ForwardingPort::write(bytes);
    if (recorder_.recording() && wasOpen)
        for (const std::string& order : orderLines(bytes))
            recorder_.note(order);
}

std::string SessionRecorder::Port::read(std::size_t maxChars) {
    std::string text = ForwardingPort::read(maxChars);
    SessionRecorder& r = recorder_;
    if (r.recording() && !text.empty()) {
        const std::string step = "bytes " + stepText(text);
        // Read in a Receive event, the chunk is the step that event runs.
        if (r.level_.receiving)
            r.beginStep(r.stepTime(), step);
        else
            r.stepNow(step);
    }
    return text;
}

void SessionRecorder::Port::forward(CommEvent event) {
    SessionRecorder& r = recorder_;
    if (!r.recording() && event == CommEvent::Receive) {
        // Nothing to write down: only what runs at this modal level is counted, so that a
        // recording started from a box this event opens tells the station's own calls from the
        // user's.
        ++r.level_.busy;
        raise(event);
        --r.level_.busy;
        return;
    }
    const int64_t outerStep = r.level_.stepAt;
    const bool outerReceiving = r.level_.receiving;
    ++r.level_.busy;
    if (event == CommEvent::Receive) {
        r.level_.receiving = true;
    } else {
        if (event == CommEvent::DeviceRemoved) r.unplugged_ = true;
        if (r.recording())
            r.beginStep(r.stepTime(), event == CommEvent::DeviceRemoved
                                          ? std::string("port unplug")
                                          : "comm " + std::to_string(static_cast<int>(event)));
    }
    raise(event);
    r.endStep();
    r.level_.stepAt = outerStep;
    r.level_.receiving = outerReceiving;
    --r.level_.busy;
}

MsgAnswer SessionRecorder::Ui::message(const MessageBox& box) {
    SessionRecorder& r = recorder_;
    std::optional<Slot> slot;
    if (r.recording()) {
        const MsgAnswer unanswered =
            box.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
        slot = r.reserve(r.openTime(),
                         std::string("answer ") + answerName(unanswered) + " " + kStillOpen,
                         kAnswerWidth);
    }
    const Level outer = r.enterModal();
    const MsgAnswer answer = host_.message(box);
    r.leaveModal(outer);
    if (slot && r.complete(*slot, std::string("answer ") + answerName(answer) + " " +
                                      std::to_string(r.answerTime(slot->opened) - slot->opened)))
        r.note("BOX \"" + printable(box.title) + "\" \"" + printable(box.text) + "\" -> " +
               answerName(answer));
    return answer;
}

void SessionRecorder::Ui::runModal(WindowModel& window) {
    SessionRecorder& r = recorder_;
    if (r.recording()) r.note("MODAL " + window.name());
    const Level outer = r.enterModal();
    host_.runModal(window);
    r.leaveModal(outer);
}

std::optional<std::string> SessionRecorder::Ui::saveFileDialog(const FileDialogRequest& request) {
    SessionRecorder& r = recorder_;
    std::optional<Slot> slot;
    if (r.recording())
        slot = r.reserve(r.openTime(), "answer file cancel " + kStillOpen, kFileAnswerWidth);
    const Level outer = r.enterModal();
    const std::optional<std::string> path = host_.saveFileDialog(request);
    r.leaveModal(outer);
    if (slot) {
        const std::string answer = path ? r.relative(*path) : std::string("cancel");
        const std::string wait = std::to_string(r.answerTime(slot->opened) - slot->opened);
        if (r.complete(*slot, "answer file " + answer + " " + wait))
            r.note("DIALOG \"" + printable(request.title) + "\" -> " + printable(answer));
        else if (r.complete(*slot, "answer file cancel " + wait))
            r.note("DIALOG \"" + printable(request.title) + "\" -> " + printable(answer) +
                   " (too long a path to record: the replay cancels)");
    }
    return path;
}

SessionRecorder::Clock::Clock(SessionRecorder& recorder, WallClock& wall)
    : session([&recorder] { return recorder.scheduler_.now(); }), recorder_(recorder), wall_(wall) {
}

DateTime SessionRecorder::Clock::now() const {
    // While recording, the station reads the clock the replay will read: the start's wall clock
    // running on with the session's time.
    return recorder_.recording() ? session.now() : wall_.now();
}

// --- The recorder --------------------------------------------------------------------------

SessionRecorder::SessionRecorder(Scheduler& scheduler, SerialPort& line, UiHost& ui,
                                 WallClock& clock)
    : scheduler_(scheduler), port_(*this, line), ui_(*this, ui), clock_(*this, clock) {}

SessionRecorder::~SessionRecorder() {
    // The station may be gone already: only the file is closed.
    station_ = nullptr;
    stop();
    *alive_ = false;
}

void SessionRecorder::attach(Station& station) {
    station_ = &station;
    for (WindowModel* window : station.windows())
        window->onFire = [this](WindowModel& w, const std::string& event, bool done) {
            onFire(w, event, done);
        };
    auto previous = station.onEvent;
    station.onEvent = [this, previous](const std::string& line) {
        if (previous) previous(line);
        if (recording()) note(listLine(line));
    };
    StartWindow& w = *station.models().Start;
    w.on(w.mnuEnregistrer.name, [this] { onEntry(); });
}

bool SessionRecorder::start(const fs::path& file, std::string* why) {
    std::string ignored;
    std::string& reason = why ? *why : ignored;
    if (recording()) {
        reason = "the session is already being recorded to " + pathText(path_);
        return false;
    }
    Station& s = *station_;
    const fs::path app = s.state.BasePath.empty() ? app::findApplicationFolder(s.paths)
                                                  : pathFromText(s.state.BasePath);
    auto f = std::make_unique<std::fstream>(file, std::ios::in | std::ios::out | std::ios::binary |
                                                      std::ios::trunc);
    if (!*f) {
        reason = std::strerror(errno);
        return false;
    }
    // The access words are typed into it: its owner's only, as the station keeps them.
    std::error_code closed;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, closed);
    fs::path base = file;
    base += ".base";
    if (!saveConfiguration(app, s.paths.userFolder, base, &reason)) {
        f.reset();
        std::error_code ec;
        fs::remove(file, ec);
        return false;
    }
    // Said before the recording begins: the replay's station does not say it.
    if (launched_) s.addEvent("Session recording to " + pathText(file));
    const DateTime wall = clock_.now();
    file_ = std::move(f);
    path_ = file;
    ++recordingNumber_;
    // A line lost before, which the station tries to open again every few seconds: the replay's
    // station loses its own after the login, and the session begins where its tries fall as
    // these do.
    const Timer& tries = s.Start().Timer34;
    const bool trying = launched_ && unplugged_ && tries.enabled() && tries.interval() > 0;
    int64_t length = launched_ ? kPreambleMs : 0;
    if (trying) {
        const int64_t period = tries.interval();
        const int64_t next = ((tries.due() - scheduler_.now()) % period + period) % period;
        length = kUnplugMs + period - (next == 0 ? period : next);
        while (length < kPreambleMs)
            length += period;
    }
    origin_ = scheduler_.now() - length;
    lastStep_ = origin_;
    pending_.clear();
    level_.stepAt = -1;
    clock_.session.set(wall, wall.millisecond);
    preamble(launched_, trying, wall, app);
    showEntry();
    return recording();
}

void SessionRecorder::preamble(bool launched, bool trying, const DateTime& wall,
                               const fs::path& folder) {
    put("# ORBEK station session, recorded " + formatDateTime(wall, wall.millisecond) + " in " +
        pathText(folder));
    put("# Replay: orbek-replay --base-from " + pathText(path_) + ".base " + pathText(path_) +
        " (--live for the real program);");
    put("# orbek-replay --check-recording " + pathText(path_) +
        " compares a replay with the TX and LIST lines below.");
    // The recording's own events begin now, after the preamble.
    const int64_t at = launched ? scheduler_.now() : origin_;
    if (!launched) put(line(origin_, "clock " + formatDateTime(wall, wall.millisecond)));
    if (port_.simulated()) put(line(origin_, "port simulated"));
    // A line the station has not opened since is missing from the replay's start on.
    if (unplugged_ && !trying) put(line(origin_, "port unplug"));
    if (launched) {
        // What happened before is not known: a fresh station, logged in at the present level.
        Station& s = *station_;
        const std::vector<std::string> words = app::accessWords(s);
        const std::size_t level = s.state.ServiceLevel != 0 ? 1 : 0;
        put("# Recorded from the middle of a session: the replay starts a fresh station and logs");
        put("# it in at the present level; it is compared from here on.");
        put(line(origin_, "start"));
        if (level < words.size()) {
            put(line(origin_ + kLoginMs, "type Start.Text1 " + stepText(words[level])));
            put(line(origin_ + kLoginMs, "click Start.OkStart"));
        }
        if (trying) put(line(origin_ + kUnplugMs, "port unplug"));
        put(line(at, "clock " + formatDateTime(wall, wall.millisecond)));
        put("# session from " + std::to_string(at - origin_) + " ms");
    }
    lastStep_ = at;
}

void SessionRecorder::stop() {
    if (!recording()) return;
    flushPending();
    put(line(stepTime(), "end"));
    file_.reset();
    showEntry();
}

void SessionRecorder::runStart(const std::function<void()>& load) {
    ++level_.busy;
    if (recording()) beginStep(stepTime(), "start");
    load();
    endStep();
    --level_.busy;
    launched_ = true;
}

// --- Times ---------------------------------------------------------------------------------

int64_t SessionRecorder::clockNow() {
    // Outside the station's items the scheduler's present is the real clock's, also when a
    // box opened inside an item has just closed.
    Scheduler::Waiting outside(scheduler_);
    return scheduler_.now();
}

int64_t SessionRecorder::stepTime() {
    int64_t t = scheduler_.now();
    if (!scheduler_.running()) {
        // Between the station's own items: after those that ran and before those still due (a
        // step runs before the items of its millisecond), so the replay keeps their order.
        const int64_t next = scheduler_.nextDue();
        if (next >= 0) t = std::min(t, next);
        t = std::max(t, scheduler_.lastDue() + 1);
    }
    return std::max(t, lastStep_);
}

int64_t SessionRecorder::openTime() {
    if (level_.stepAt >= 0) return level_.stepAt;
    return scheduler_.running() ? std::max(scheduler_.now(), lastStep_) : stepTime();
}

int64_t SessionRecorder::answerTime(int64_t opened) {
    // A box waited on virtual time returns once everything due up to its answer has run.
    int64_t t = clockNow();
    const int64_t next = scheduler_.nextDue();
    if (next >= 0) t = std::min(t, next - 1);
    return std::max({t, scheduler_.lastDue(), opened, lastStep_});
}

// --- Lines ---------------------------------------------------------------------------------

std::string SessionRecorder::line(int64_t at, const std::string& text) const {
    char time[24];
    std::snprintf(time, sizeof time, "%8lld ", static_cast<long long>(at - origin_));
    return time + text;
}

void SessionRecorder::put(const std::string& text) {
    if (!file_) return;
    const std::string out = text + "\r\n";
    if (!file_->write(out.data(), static_cast<std::streamsize>(out.size())).flush())
        failed(std::strerror(errno));
}

void SessionRecorder::flushPending() {
    std::vector<std::string> lines;
    lines.swap(pending_);
    for (const std::string& l : lines)
        put(l);
}

void SessionRecorder::beginStep(int64_t at, const std::string& text) {
    flushPending();
    lastStep_ = std::max(lastStep_, at);
    level_.stepAt = lastStep_;
    // Held until the step's handler returns or opens a box, whose answer must come first.
    pending_.push_back(line(lastStep_, text));
}

void SessionRecorder::endStep() {
    flushPending();
    level_.stepAt = -1;
}

void SessionRecorder::stepNow(const std::string& text) {
    flushPending();
    lastStep_ = stepTime();
    put(line(lastStep_, text));
}

void SessionRecorder::stepBefore(const std::string& text) {
    if (pending_.empty()) return stepNow(text);
    pending_.insert(pending_.begin(), line(level_.stepAt, text));
}

void SessionRecorder::note(const std::string& text) {
    const int64_t at = level_.stepAt >= 0     ? level_.stepAt
                       : scheduler_.running() ? scheduler_.now()
                                              : clockNow();
    char time[24];
    std::snprintf(time, sizeof time, "#%8lld ", static_cast<long long>(at - origin_));
    if (pending_.empty())
        put(time + text);
    else
        pending_.push_back(time + text);
}

SessionRecorder::Slot SessionRecorder::reserve(int64_t opened, const std::string& placeholder,
                                               std::size_t width) {
    Slot slot;
    slot.opened = std::max(opened, lastStep_);
    slot.width = width;
    slot.recording = recordingNumber_;
    lastStep_ = slot.opened;
    slot.position = file_->tellp();
    std::string text = line(slot.opened, placeholder);
    text.resize(std::max(width, text.size()), ' ');
    put(text);
    // The step that opened the box follows its answer.
    flushPending();
    return slot;
}

bool SessionRecorder::complete(const Slot& slot, const std::string& text) {
    if (!file_ || slot.recording != recordingNumber_) return false;
    std::string out = line(slot.opened, text);
    if (out.size() > slot.width) return false;
    out.resize(slot.width, ' ');
    if (!file_->seekp(slot.position) ||
        !file_->write(out.data(), static_cast<std::streamsize>(out.size())) ||
        !file_->seekp(0, std::ios::end).flush()) {
        failed(std::strerror(errno));
        return false;
    }
    return true;
}

void SessionRecorder::failed(const std::string& why) {
    file_.reset();
    showEntry();
    // Said from a call of its own: the failure may come from inside an event-list line.
    const std::string text =
        "Session recording stopped: " + pathText(path_) + " could not be written: " + why;
    scheduler_.after(0, [alive = std::weak_ptr<bool>(alive_), station = station_, text] {
        if (!alive.expired() && *alive.lock()) station->addEvent(text);
    });
}

// --- Modal levels --------------------------------------------------------------------------

SessionRecorder::Level SessionRecorder::enterModal() {
    // What the step before the box wrote goes first; inside it the user may act again.
    flushPending();
    const Level outer = level_;
    level_ = Level{};
    return outer;
}

void SessionRecorder::leaveModal(const Level& outer) {
    flushPending();
    level_ = outer;
}

// --- The user's input ----------------------------------------------------------------------

void SessionRecorder::onFire(WindowModel& window, const std::string& event, bool done) {
    if (done) {
        if (--level_.busy > 0 || !level_.userStep) return;
        level_.userStep = false;
        endStep();
        return;
    }
    // Nothing else of the station runs at this modal level: the call comes from the user,
    // unless it is a window's own loading or closing (the program's end unloads them all).
    const bool lifeCycle = event == "Form_Load" || window.unloading();
    const bool user = level_.busy == 0 && !scheduler_.running() && !lifeCycle;
    ++level_.busy;
    if (!user) return;
    level_.userStep = true;
    StartWindow& start = *station_->models().Start;
    if (!recording() || (&window == &start && event == start.mnuEnregistrer.name)) return;
    // Every view tells each input as an event (a box its Change, handled or not), so it is a
    // step of its own.
    beginStep(stepTime(), inputLine(window, event));
}

std::string SessionRecorder::inputLine(WindowModel& window, const std::string& event) const {
    const auto colon = event.find(':');
    const std::string name = event.substr(0, colon);
    const std::string kind = colon == std::string::npos ? std::string() : event.substr(colon + 1);
    const std::string target = window.name() + "." + name;
    if (const Control* c = window.find(name)) {
        if (c->kind == ControlKind::TextBox && kind == "Change")
            return "type " + target + " " + stepText(c->caption);
        if (c->kind == ControlKind::Slider && (kind == "Change" || kind == "Scroll"))
            return "value " + target + " " + std::to_string(c->value) +
                   (kind == "Scroll" ? " Scroll" : "");
        if (kind.empty())
            return c->kind == ControlKind::CheckBox ? "check " + target + (c->checked ? " 1" : " 0")
                                                    : "click " + target;
    }
    return "fire " + window.name() + " " + event;
}

std::string SessionRecorder::listLine(const std::string& line) const {
    // The line's device is the desk's in a replay, which names it LINE as the replay does.
    std::string text = line;
    const int number = station_->portWatch.opened;
    const std::string device = number > 0 && !port_.simulated() ? port_.deviceName(number) : "";
    if (!device.empty())
        for (auto at = text.find(device); at != std::string::npos; at = text.find(device, at + 4))
            text.replace(at, device.size(), "LINE");
    return withBase("LIST " + printable(text), station_->state.BasePath,
                    pathText(station_->paths.userFolder));
}

// --- The File menu's entry -----------------------------------------------------------------

void SessionRecorder::onEntry() {
    Station& s = *station_;
    if (recording()) {
        const std::string file = pathText(path_);
        stop();
        s.addEvent("Session recording stopped: " + file);
        return;
    }
    const DateTime t = clock_.now();
    char name[64];
    std::snprintf(name, sizeof name, "session-%04d%02d%02d-%02d%02d%02d.scenario", t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    const fs::path folder = s.paths.home.empty() ? pathFromText(s.state.BasePath) : s.paths.home;
    const auto chosen =
        s.ui.saveFileDialog({"Record session", "Scenario (*.scenario)", pathText(folder), name});
    if (!chosen) return;
    std::string why;
    if (!start(pathFromText(*chosen), &why))
        s.ui.message({" Error !", "The session could not be recorded.\r\n" + *chosen + ": " + why,
                      MsgIcon::Critical, MsgButtons::Ok});
}

void SessionRecorder::showEntry() {
    if (!station_) return;
    Control& entry = station_->models().Start->mnuEnregistrer;
    entry.caption = recording() ? "Stop recording session" : "Record session...";
    entry.checked = recording();
    ui_.changed();
}

std::string SessionRecorder::relative(const std::string& path) const {
    // A file in the application folder is the replay's own file of that name, wherever the
    // replay runs.
    const fs::path inside =
        pathFromText(path).lexically_relative(pathFromText(station_->state.BasePath));
    if (inside.empty() || *inside.begin() == "..") return path;
    std::string text = pathText(inside);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// --- The configuration files ---------------------------------------------------------------

namespace {

// A copy open to others as its source is (a folder: made only): whether the user folder and
// its files are is what the station checks at start, and the access words stay their owner's.
// The owner may always write, as the station does.
bool copyAsIs(const fs::path& from, const fs::path& into, std::error_code& ec) {
    const fs::perms perms = fs::status(from, ec).permissions();
    const bool file = fs::is_regular_file(from);
    if (!ec && file) fs::copy_file(from, into, fs::copy_options::overwrite_existing, ec);
    const fs::perms owner =
        file ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::owner_all;
    if (!ec) fs::permissions(into, (perms & ~fs::perms::owner_all) | owner, ec);
    return !ec;
}

} // namespace

bool saveConfiguration(const fs::path& appFolder, const fs::path& userFolder, const fs::path& to,
                       std::string* why) {
    std::error_code ec;
    fs::create_directory(to, ec);
    if (!ec) fs::create_directory(to / "user", ec);
    if (!ec && fs::is_directory(userFolder)) copyAsIs(userFolder, to / "user", ec);
    if (ec) {
        if (why) *why = pathText(to / "user") + ": " + ec.message();
        return false;
    }
    std::vector<std::pair<fs::path, fs::path>> copies{
        {appFolder / "status.ini", to / "status.ini"}};
    for (const app::DefaultFile& f : app::defaultFiles())
        copies.emplace_back(f.inUserFolder ? userFolder / f.name : appFolder / f.name,
                            f.inUserFolder ? to / "user" / f.name : to / f.name);
    for (const auto& [from, into] : copies) {
        if (!fs::is_regular_file(from, ec)) {
            // A copy left from an earlier recording of that name would not be this start's.
            fs::remove(into, ec);
            continue;
        }
        if (!copyAsIs(from, into, ec)) {
            if (why) *why = pathText(into) + ": " + ec.message();
            return false;
        }
    }
    return true;
}

bool loadConfiguration(const fs::path& from, const fs::path& appFolder, const fs::path& userFolder,
                       std::string* why) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
        if (why) *why = pathText(from) + ": no such folder";
        return false;
    }
    for (const auto& [source, into] :
         {std::pair{from, appFolder}, std::pair{from / "user", userFolder}}) {
        fs::create_directories(into, ec);
        if (!ec && source == from / "user" && fs::is_directory(source)) copyAsIs(source, into, ec);
        if (ec) {
            if (why) *why = pathText(into) + ": " + ec.message();
            return false;
        }
        for (const auto& entry : fs::directory_iterator(source, ec)) {
            if (!entry.is_regular_file()) continue;
            if (!copyAsIs(entry.path(), into / entry.path().filename(), ec)) {
                if (why) *why = pathText(into / entry.path().filename()) + ": " + ec.message();
                return false;
            }
        }
    }
    return true;
}

} // namespace orbek::replay
