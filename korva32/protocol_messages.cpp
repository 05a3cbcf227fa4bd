// Building the host's outgoing lines in one place keeps their shape uniform.
#include "korva32/protocol_messages.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace talvex::korva {

namespace {
QByteArray toLine(const QJsonObject& message) {
    // Compact JSON escapes CR and LF inside strings, so one message stays one line.
    QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact);
    line.append('\n');
    return line;
}
} // namespace

QByteArray resultLine(const QJsonValue& id, const QJsonValue& result) {
    return toLine(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

QByteArray errorLine(const QJsonValue& id, int code, const QString& message) {
    const QJsonObject error{{"code", code}, {"message", message}};
    return toLine(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"error", error}});
}

QByteArray changedLine(const QString& topic, const QString& data) {
    const QJsonObject params{
        {"topic", topic}, {"item", QString::fromUtf16(kDataItem)}, {"data", data}};
    return toLine(QJsonObject{{"jsonrpc", "2.0"}, {"method", "changed"}, {"params", params}});
}

} // namespace talvex::korva
