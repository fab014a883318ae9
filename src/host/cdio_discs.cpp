// The only file of the program that talks to libcdio.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "discfiles.h"
#include "discprobe.h"
#include "drives.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

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

std::optional<QList<int>> audioTracks(const QString& device) {
    quietLibcdio();
    const std::string name = device.toLocal8Bit().toStdString();
    struct stat st {};
    if (stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        // A disc image may be hostile: libcdio reads it in a child process only.
        const auto toc = probeDisc(name);
        if (!toc)
            return std::nullopt;
        QList<int> tracks;
        for (const ProbedTrack& t : toc->tracks)
            if (t.audio)
                tracks.append(t.number);
        return tracks.isEmpty() ? std::nullopt : std::optional(tracks);
    }
    // A FIFO or a folder would hang libcdio or worse: checked first.
    if (!discFiles(name))
        return std::nullopt;
    CdIo_t* cdio = cdio_open(device.toLocal8Bit().constData(), DRIVER_UNKNOWN);
    if (!cdio)
        return std::nullopt;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    std::optional<QList<int>> result;
    if (first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK) {
        QList<int> tracks;
        for (int t = first; t < first + count; ++t)
            if (cdio_get_track_format(cdio, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO)
                tracks.append(t);
        if (!tracks.isEmpty())
            result = tracks;
    }
    cdio_destroy(cdio);
    return result;
}

} // namespace wl
