// SPDX-License-Identifier: GPL-3.0-or-later
#include "discnames.h"

#include "cdripper.h"
#include "discid.h"
#include "drives.h"
#include "host.h"
#include "listpanels.h"
#include "onlinesetting.h"
#include "texts.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>
#include <thread>

namespace wl {
namespace {

QString fromUtf8(const std::string& s) { return QString::fromStdString(s); }

QString joined(const QString& a, const QString& b) {
    return b.isEmpty() || b == a ? a : a.isEmpty() ? b : a + " \u2013 " + b;
}

} // namespace

DiscNamesView::DiscNamesView(Host& host, DriveSource& drives, DirListBox* folders,
                             FileListBox* tracks, QMenu* options)
    : QObject(options), host_(host), drives_(drives), folders_(folders), tracks_(tracks),
      poll_(new QTimer(this)) {
    online_ = options->addAction("Look up discs online");
    online_->setObjectName("mnulookupdiscs");
    online_->setCheckable(true);
    online_->setChecked(lookupsOn());
    connect(online_, &QAction::toggled, this, &DiscNamesView::lookUpOnlineToggled);
    releases_ = options->addMenu("Release");
    releases_->setObjectName("mnureleases");
    releases_->setEnabled(false);
    lookUpThisDisc_ = options->addAction("Look up this disc");
    lookUpThisDisc_->setObjectName("mnulookupthisdisc");
    lookUpThisDisc_->setEnabled(false);
    connect(lookUpThisDisc_, &QAction::triggered, this, &DiscNamesView::openDiscPage);
    connect(poll_, &QTimer::timeout, this, &DiscNamesView::answered);
}

bool DiscNamesView::lookupsOn() const {
    return host_.ReadSetting(texts::kAppKey, kOnlineSection, kOnlineKey, "true") != "false";
}

void DiscNamesView::lookUpOnlineToggled(bool on) {
    host_.SaveSetting(texts::kAppKey, kOnlineSection, kOnlineKey, on ? "true" : "false");
    if (on)
        lookUp();
}

void DiscNamesView::discShown() {
    disc_.clear();
    discId_.clear();
    pending_.reset();
    poll_->stop();
    releases_->clear();
    releases_->setEnabled(false);
    lookUpThisDisc_->setEnabled(false);
    const auto toc = drives_.discToc(folders_->path());
    if (!toc)
        return;
    const DiscIdentity id = musicBrainzDiscId(*toc);
    if (id.id.empty())
        return;
    disc_ = folders_->path();
    discId_ = id.id;
    toc_ = id.toc;
    lookUpThisDisc_->setEnabled(true);
    lookUp();
}

// The lookup runs on a thread of its own (the window never waits for the network); the window
// looks for its answer a few times a second until it came.
void DiscNamesView::lookUp() {
    if (discId_.empty() || !lookupsOn() || pending_)
        return;
    auto promise = std::make_shared<std::promise<Result<DiscNames>>>();
    pending_ = promise->get_future().share();
    std::thread([promise, id = discId_, toc = toc_] {
        promise->set_value(lookUpDiscApart(id, toc));
    }).detach();
    poll_->start(100);
}

void DiscNamesView::answered() {
    using namespace std::chrono_literals;
    if (!pending_ || pending_->wait_for(0s) != std::future_status::ready)
        return;
    poll_->stop();
    const Result<DiscNames> found = pending_->get();
    pending_.reset();
    if (folders_->path() == disc_)
        show(found);
}

void DiscNamesView::show(const Result<DiscNames>& found) {
    QString discLine;
    if (!found) {
        discLine = "Names not looked up: " + fromUtf8(found.error());
    } else if (const Release* release = found->release(); !release) {
        discLine = "MusicBrainz does not know this disc yet (Options: Look up this disc)";
    } else {
        discLine = joined(fromUtf8(release->title), fromUtf8(release->artist));
        if (!release->date.empty())
            discLine += " (" + fromUtf8(release->date.substr(0, 4)) + ")";
    }
    if (QListWidgetItem* item = folders_->currentItem()) {
        item->setToolTip(discLine);
        item->setData(Qt::AccessibleDescriptionRole, discLine);
    }
    tracks_->setAccessibleDescription(discLine);
    for (int i = 0; i < tracks_->count(); ++i) {
        QListWidgetItem* item = tracks_->item(i);
        const Tags tags =
            found ? trackNamesOf(*found, trackCode(item->text()).mid(2).toInt()) : Tags{};
        const QString line = joined(fromUtf8(tags.title), fromUtf8(tags.artist));
        item->setToolTip(line);
        item->setData(Qt::AccessibleDescriptionRole, line);
    }
    releases_->clear();
    if (!found || found->releases.size() < 2)
        return;
    // Several editions of the disc: the first, unless the user chose another.
    auto* group = new QActionGroup(releases_);
    const Release* chosen = found->release();
    for (const Release& r : found->releases) {
        QString label = fromUtf8(r.title);
        const QString where = QStringList{fromUtf8(r.country), fromUtf8(r.date.substr(0, 4))}
                                  .filter(QRegularExpression("."))
                                  .join(", ");
        if (!where.isEmpty())
            label += " (" + where + ")";
        QAction* action = releases_->addAction(label);
        action->setCheckable(true);
        action->setChecked(&r == chosen);
        action->setActionGroup(group);
        const QString id = fromUtf8(r.id);
        connect(action, &QAction::triggered, this, [this, id] { chooseRelease(id); });
    }
    releases_->setEnabled(true);
}

void DiscNamesView::chooseRelease(const QString& releaseId) {
    if (discId_.empty())
        return;
    (void)wl::chooseRelease(discId_, releaseId.toStdString());
    show(lookUpDiscApart(discId_, toc_)); // from the cache: no request
}

// The disc's page at MusicBrainz, where a disc it does not know can be added.
void DiscNamesView::openDiscPage() {
    if (!discId_.empty())
        host_.OpenLink(fromUtf8(musicBrainzDiscPage({discId_, toc_})));
}

} // namespace wl
