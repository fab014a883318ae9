// SPDX-License-Identifier: GPL-3.0-or-later
// The only file of the program that talks to libcdio.
#include "discfiles.h"
#include "discprobe.h"
#include "disctoc.h"
#include "drives.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace wl {
namespace {

// libcdio's own handler prints and may end the process; a drive that cannot be read is only
// "not ready" here.
void ignoreLibcdio(cdio_log_level_t, const char[]) {}

void quietLibcdio() {
    cdio_loglevel_default = CDIO_LOG_ASSERT;
    cdio_log_set_handler(ignoreLibcdio);
}

} // namespace

QStringList opticalDrives() {
    quietLibcdio();
    QStringList result;
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** d = devices; d && *d; ++d)
        result.append(QString::fromLocal8Bit(*d));
    cdio_free_device_list(devices);
    return result;
}

namespace {

using Toc = std::optional<DiscToc>;

// The audio tracks of disc images, probed once per image and change (its size and time of
// change), in the background; a probe already on its way is shared, never started twice.
class ProbedImages {
  public:
    std::shared_future<Toc> answerFor(const std::string& image, const struct stat& st) {
        const std::lock_guard lock(mutex_);
        Entry& entry = entries_[image];
        if (entry.answer.valid() && entry.size == st.st_size &&
            entry.changed.tv_sec == st.st_mtim.tv_sec &&
            entry.changed.tv_nsec == st.st_mtim.tv_nsec)
            return entry.answer;
        entry.size = st.st_size;
        entry.changed = st.st_mtim;
        auto promise = std::make_shared<std::promise<Toc>>();
        entry.answer = promise->get_future().share();
        // Detached: a probe that hangs until its time limit holds up no one who stops waiting.
        std::thread([image, promise] { promise->set_value(probeTracks(image)); }).detach();
        return entry.answer;
    }

  private:
    static Toc probeTracks(const std::string& image) {
        auto toc = probeDisc(image);
        return toc ? Toc(std::move(*toc)) : std::nullopt;
    }
    struct Entry {
        off_t size = -1;
        timespec changed{};
        std::shared_future<Toc> answer;
    };
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

ProbedImages& probedImages() {
    static auto* images = new ProbedImages; // never destroyed: probes may still be running
    return *images;
}

// Waits for a probe. The window's thread goes on painting and running its timers meanwhile, but
// takes no input, so that nothing the user does can start over what is being shown.
Toc waitFor(const std::shared_future<Toc>& answer) {
    using namespace std::chrono_literals;
    if (answer.wait_for(0s) != std::future_status::ready && QCoreApplication::instance() &&
        QThread::currentThread() == QCoreApplication::instance()->thread()) {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (answer.wait_for(0s) == std::future_status::ready)
                loop.quit();
        });
        check.start(10);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return answer.get();
}

bool isImageFile(const std::string& name, struct stat& st) {
    return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

void probeInBackground(const QString& image) {
    const std::string name = image.toLocal8Bit().toStdString();
    struct stat st {};
    if (isImageFile(name, st))
        (void)probedImages().answerFor(name, st);
}

std::optional<DiscToc> discToc(const QString& device) {
    quietLibcdio();
    const std::string name = device.toLocal8Bit().toStdString();
    struct stat st {};
    // A disc image may be hostile: libcdio reads it in a probe of its own only.
    if (isImageFile(name, st))
        return waitFor(probedImages().answerFor(name, st));
    // A FIFO or a folder would hang libcdio or worse: checked first.
    if (!discFiles(name))
        return std::nullopt;
    CdIo_t* cdio = cdio_open(name.c_str(), DRIVER_UNKNOWN);
    if (!cdio)
        return std::nullopt;
    const auto toc = tableOfContents(cdio);
    cdio_destroy(cdio);
    return toc;
}

std::optional<std::pair<QString, QString>> driveModel(const QString& device) {
    quietLibcdio();
    const std::string name = device.toLocal8Bit().toStdString();
    struct stat st {};
    if (isImageFile(name, st) || !discFiles(name))
        return std::nullopt;
    CdIo_t* cdio = cdio_open(name.c_str(), DRIVER_UNKNOWN);
    if (!cdio)
        return std::nullopt;
    cdio_hwinfo_t hw{};
    const bool known = cdio_get_hwinfo(cdio, &hw);
    cdio_destroy(cdio);
    if (!known || !*hw.psz_model)
        return std::nullopt;
    return std::pair{QString::fromLatin1(hw.psz_vendor).trimmed(),
                     QString::fromLatin1(hw.psz_model).trimmed()};
}

std::optional<QList<int>> audioTracks(const QString& device) {
    const auto toc = discToc(device);
    if (!toc)
        return std::nullopt;
    QList<int> tracks;
    for (const ProbedTrack& t : toc->tracks)
        if (t.audio)
            tracks.append(t.number);
    return tracks.isEmpty() ? std::nullopt : std::optional(tracks);
}

} // namespace wl
