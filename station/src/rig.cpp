#include "station/rig.h"

#include <hamlib/rig.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <utility>

namespace station {
namespace {

// hamlib keeps its backends and its debug level globally, and sets the process's numeric locale
// around its conversions (setlocale is not thread-safe): every call into it goes one at a time,
// across all rigs. A read takes a fraction of a millisecond unless a rig does not answer.
std::mutex& hamlibMutex() {
    static std::mutex mutex;
    return mutex;
}

// hamlib saves the numeric locale's name, sets "C" and later puts the saved name back; under any
// other locale the name it saved is freed by the change, and it reads freed memory. With "C" set
// already its change is none: the locale is set to "C" around each call here and put back after.
class NumericLocaleC {
  public:
    NumericLocaleC() {
        const char* now = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = now != nullptr ? now : "C";
        if (saved_ != "C") {
            std::setlocale(LC_NUMERIC, "C");
        }
    }
    ~NumericLocaleC() {
        if (saved_ != "C") {
            std::setlocale(LC_NUMERIC, saved_.c_str());
        }
    }
    NumericLocaleC(const NumericLocaleC&) = delete;
    NumericLocaleC& operator=(const NumericLocaleC&) = delete;

  private:
    std::string saved_;
};

// One call into hamlib at a time, under the "C" numeric locale.
class HamlibCall {
  public:
    HamlibCall() : lock_(hamlibMutex()) {}

  private:
    std::lock_guard<std::mutex> lock_;
    NumericLocaleC locale_;
};

void quietHamlib() {
    static std::once_flag once;
    std::call_once(once, [] { rig_set_debug(RIG_DEBUG_NONE); });
}

RIG* asRig(void* rig) {
    return static_cast<RIG*>(rig);
}

std::string hamlibError(int code) {
    const char* text = rigerror(code);
    std::string out = text != nullptr ? text : "unknown error";
    // hamlib's messages may end with a line break and carry its own details after it.
    out.erase(std::find(out.begin(), out.end(), '\n'), out.end());
    return out;
}

int setConf(RIG* rig, const char* name, const std::string& value) {
    const token_t token = rig_token_lookup(rig, name);
    if (token == RIG_CONF_END) {
        return -RIG_EINVAL;
    }
    return rig_set_conf(rig, token, value.c_str());
}

}  // namespace

std::string RigAddress::describe() const {
    if (model == kNetworkRigModel) {
        return "rigctld at " + port;
    }
    std::string out = "rig model " + std::to_string(model);
    if (!port.empty()) {
        out += " on " + port;
    }
    return out;
}

std::vector<RigModel> rigModels() {
    std::vector<RigModel> models;
    {
        const HamlibCall call;
        quietHamlib();
        rig_load_all_backends();
        rig_list_foreach(
            [](const struct rig_caps* caps, rig_ptr_t data) -> int {
                auto* list = static_cast<std::vector<RigModel>*>(data);
                list->push_back(RigModel{.model = static_cast<int>(caps->rig_model),
                                         .maker = caps->mfg_name ? caps->mfg_name : "",
                                         .name = caps->model_name ? caps->model_name : ""});
                return 1;  // go on
            },
            &models);
    }
    std::sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
        return std::tie(a.maker, a.name, a.model) < std::tie(b.maker, b.name, b.model);
    });
    return models;
}

RigConnection::RigConnection(RigAddress address, std::chrono::milliseconds timeout)
    : address_(std::move(address)), timeout_(timeout) {}

RigConnection::~RigConnection() {
    close();
}

std::string RigConnection::open() {
    const HamlibCall call;
    quietHamlib();
    RIG* rig = rig_init(static_cast<rig_model_t>(address_.model));
    if (rig == nullptr) {
        return "hamlib knows no rig model " + std::to_string(address_.model);
    }
    int status = RIG_OK;
    if (!address_.port.empty()) {
        status = setConf(rig, "rig_pathname", address_.port);
    }
    if (status == RIG_OK && address_.speed > 0) {
        status = setConf(rig, "serial_speed", std::to_string(address_.speed));
    }
    // A rig that does not answer is to be told within a few seconds, never waited for.
    if (status == RIG_OK) {
        setConf(rig, "timeout", std::to_string(timeout_.count()));
        setConf(rig, "retry", "1");
    }
    if (status == RIG_OK) {
        status = rig_open(rig);
    }
    if (status != RIG_OK) {
        rig_cleanup(rig);
        return hamlibError(status);
    }
    rig_ = rig;
    return {};
}

void RigConnection::close() {
    if (rig_ == nullptr) {
        return;
    }
    const HamlibCall call;
    rig_close(asRig(rig_));
    rig_cleanup(asRig(rig_));
    rig_ = nullptr;
}

RigRead RigConnection::read() {
    if (rig_ == nullptr) {
        if (std::string error = open(); !error.empty()) {
            return RigRead{.reading = std::nullopt,
                           .error = "cannot open " + address_.describe() + ": " + error};
        }
    }
    freq_t frequency = 0;
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    int status = RIG_OK;
    const char* name = nullptr;
    {
        const HamlibCall call;
        status = rig_get_freq(asRig(rig_), RIG_VFO_CURR, &frequency);
        if (status == RIG_OK) {
            status = rig_get_mode(asRig(rig_), RIG_VFO_CURR, &mode, &width);
        }
        name = status == RIG_OK ? rig_strrmode(mode) : nullptr;
    }
    if (status != RIG_OK) {
        close();
        return RigRead{.reading = std::nullopt,
                       .error = address_.describe() + " does not answer: " + hamlibError(status)};
    }
    DialReading reading;
    reading.dialHz = static_cast<std::int64_t>(frequency + 0.5);
    reading.mode = name != nullptr ? name : "";
    reading.sideband = sidebandOfMode(reading.mode);
    return RigRead{.reading = std::move(reading), .error = {}};
}

RigPoller::RigPoller(RigAddress address, std::chrono::milliseconds interval, Listener changed,
                     std::chrono::milliseconds timeout)
    : connection_(std::move(address), timeout),
      interval_(interval),
      changed_(std::move(changed)),
      thread_([this] { run(); }) {}

RigPoller::~RigPoller() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

RigStatus RigPoller::status() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

std::uint64_t RigPoller::polls() const {
    const std::lock_guard lock(mutex_);
    return polls_;
}

void RigPoller::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        RigRead got = connection_.read();
        RigStatus next;
        if (got.reading) {
            next.state = RigStatus::State::Answering;
            next.reading = std::move(got.reading);
        } else {
            next.state = RigStatus::State::NotAnswering;
            next.error = std::move(got.error);
        }
        lock.lock();
        ++polls_;
        const bool isNew = next != status_;
        status_ = next;
        if (isNew && changed_) {
            lock.unlock();
            changed_(next);
            lock.lock();
        }
        wake_.wait_for(lock, interval_, [this] { return stopping_; });
    }
    lock.unlock();
    connection_.close();
}

}  // namespace station
