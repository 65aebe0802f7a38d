#include "platform/modeless_window.h"

#include "platform/artwork.h"

namespace platform {

void SetUpModelessWindow(QWidget& window, const QString& objectName, const QString& caption) {
    window.setObjectName(objectName);
    window.setWindowTitle(caption);
    window.setWindowIcon(artwork::ApplicationIcon());
    window.setWindowModality(Qt::NonModal);
    window.setAttribute(Qt::WA_DeleteOnClose);
}

}  // namespace platform
