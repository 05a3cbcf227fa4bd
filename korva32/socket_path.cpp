// Socket placement: one fixed name per user session, overridable so tests
// and several hosts can run side by side.
#include "korva32/socket_path.h"

#include <QFileInfo>

namespace talvex::korva {

SocketPlace defaultSocketPlace() {
    SocketPlace place = DefaultSocketPlace();
    place.path = absoluteSocketPath(place.path);
    return place;
}

QString absoluteSocketPath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace talvex::korva
