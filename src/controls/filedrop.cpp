// SPDX-License-Identifier: GPL-3.0-or-later
#include "filedrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace wl {
namespace {

class DropFilter : public QObject {
  public:
    DropFilter(QWidget* window, std::function<bool(const QString&)> takes,
               std::function<void(const QString&)> dropped)
        : QObject(window), takes_(std::move(takes)), dropped_(std::move(dropped)) {}

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::DragEnter && e->type() != QEvent::DragMove &&
            e->type() != QEvent::Drop)
            return false;
        auto* drop = static_cast<QDropEvent*>(e);
        if (!drop->mimeData() || !drop->mimeData()->hasUrls())
            return false; // a text box still takes dropped text as it always did
        const QString path = takenFile(drop->mimeData());
        if (path.isEmpty()) {
            drop->ignore(); // nor would it take a file's address as text
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (e->type() == QEvent::Drop)
            dropped_(path);
        return true;
    }

  private:
    // The one local file dragged, when the window takes it.
    QString takenFile(const QMimeData* data) const {
        if (data->urls().size() != 1 || !data->urls().first().isLocalFile())
            return QString();
        const QString path = data->urls().first().toLocalFile();
        return QFileInfo(path).isFile() && takes_(path) ? path : QString();
    }

    std::function<bool(const QString&)> takes_;
    std::function<void(const QString&)> dropped_;
};

} // namespace

void acceptFileDrops(QWidget* window, std::function<bool(const QString& path)> takes,
                     std::function<void(const QString& path)> dropped) {
    auto* filter = new DropFilter(window, std::move(takes), std::move(dropped));
    window->setAcceptDrops(true);
    window->installEventFilter(filter);
    // Text boxes take drops of their own before the window sees them.
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(filter);
}

bool hasSuffix(const QString& path, const QStringList& suffixes) {
    return suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

} // namespace wl
