#include "classlayer/DropFiles.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include "classlayer/Dialog.h"
#include "classlayer/Wnd.h"

namespace {

// Takes the drag-and-drop events of one control (of its viewport, for a scrolling control) before
// the control sees them. Owned by the widget it watches.
class CDropFilter : public QObject {
 public:
  CDropFilter(QObject* parent, CDialog& dialog, std::function<bool()> accept)
      : QObject(parent), m_dialog(dialog), m_accept(std::move(accept)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(e);
        if (Welcome(drag->mimeData())) {
          drag->setDropAction(Qt::CopyAction);
          drag->accept();
        } else {
          drag->ignore();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        if (!Welcome(drop->mimeData())) {
          drop->ignore();
          return true;
        }
        CDropFiles files;
        for (const QUrl& url : drop->mimeData()->urls()) {
          if (url.isLocalFile()) files.paths.push_back(url.toLocalFile().toStdWString());
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        m_dialog.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&files), 0);
        return true;
      }
      default:
        return QObject::eventFilter(watched, e);
    }
  }

 private:
  bool Welcome(const QMimeData* data) const {
    if (data == nullptr || !data->hasUrls()) return false;
    bool anyLocal = false;
    for (const QUrl& url : data->urls()) anyLocal = anyLocal || url.isLocalFile();
    return anyLocal && (!m_accept || m_accept());
  }

  CDialog& m_dialog;
  std::function<bool()> m_accept;
};

// The widget that receives a control's drag events: a scrolling control's viewport.
QWidget* DropTarget(QWidget* control) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) return area->viewport();
  return control;
}

}  // namespace

void DragAcceptFiles(CDialog& dialog, CWnd& control, bool enable, std::function<bool()> accept) {
  QWidget* widget = control.GetSafeHwnd();
  if (widget == nullptr) return;
  QWidget* target = DropTarget(widget);
  for (CDropFilter* old : target->findChildren<CDropFilter*>(Qt::FindDirectChildrenOnly)) {
    target->removeEventFilter(old);
    delete old;
  }
  widget->setAcceptDrops(enable);
  target->setAcceptDrops(enable);
  if (enable) target->installEventFilter(new CDropFilter(target, dialog, std::move(accept)));
}

UINT DragQueryFile(HDROP drop, UINT index, std::wstring* path) {
  if (drop == nullptr) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(drop->paths.size());
  if (index >= drop->paths.size()) return 0;
  if (path != nullptr) *path = drop->paths[index];
  return static_cast<UINT>(drop->paths[index].size());
}

void DragFinish(HDROP) {}
