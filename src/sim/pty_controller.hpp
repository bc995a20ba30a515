// The simulated controller on a POSIX pseudo-terminal, in real time. The station opens the
// slave side like any serial device (its 19200 8N1 settings are accepted as they come); a link
// "com<n>" in the station's application folder makes it the station's COM n.
//
//   PtyController sim(options);
//   if (!sim.open(&error) || !sim.link(folder, 2, &error)) ...
//   sim.run(stopFlag);            // until stopFlag is set; the link is removed on destruction
//
// While nobody has the slave open the controller keeps running but its output is dropped, so a
// station that opens the port later does not read stale frames.
#pragma once

#include "core/scheduler.hpp"
#include "sim/controller.hpp"
#include "sim/options.hpp"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

namespace orbek::sim {

class PtyController {
  public:
    explicit PtyController(SimOptions options);
    ~PtyController();
    PtyController(const PtyController&) = delete;
    PtyController& operator=(const PtyController&) = delete;

    // Makes the pseudo-terminal; false with the reason in `error` when it cannot be made.
    bool open(std::string* error);
    // The slave device the station opens, e.g. /dev/pts/3.
    const std::string& device() const { return device_; }

    // Links folder/com<port> to the device (the folder is made when missing). An existing link
    // is replaced; anything else of that name is left alone and reported.
    bool link(const std::filesystem::path& folder, int port, std::string* error);
    const std::filesystem::path& linkPath() const { return link_; }
    // Removes the link if it still points at this device.
    void unlink();

    // Runs the controller in real time until `stop` is set or `seconds` (0: no limit) passed.
    void run(const std::atomic<bool>& stop, double seconds = 0);

    // True while some program has the slave side open.
    bool listened() const;

    Controller& controller() { return controller_; }

  private:
    void write(const std::string& text);

    Scheduler scheduler_;
    Controller controller_;
    int master_ = -1;
    std::string device_;
    std::filesystem::path link_;
};

} // namespace orbek::sim
