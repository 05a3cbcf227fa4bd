// Dialogs open centred over the main window, wherever the user moved it.
#pragma once

#include <QRect>
#include <QWidget>

namespace talvex {

inline void CentreOverOwner(QWidget& dialog) {
    if (QWidget* owner = dialog.parentWidget()) {
        const QRect o = owner->frameGeometry();
        dialog.move(o.left() + (o.width() - dialog.frameGeometry().width()) / 2,
                    o.top() + (o.height() - dialog.frameGeometry().height()) / 2);
    }
}

} // namespace talvex
