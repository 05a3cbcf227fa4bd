// Building the host's outgoing lines in one place keeps their shape uniform.
// The lines sent on every command (an execute's reply, a request's answer, a
// response or dynamic data) are written directly: going through QJsonObject
// and QJsonDocument cost more than the rest of the host's work on a command.
#include "korva32/protocol_messages.h"

#include "korva32/line_framer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

namespace talvex::korva {

namespace {

QByteArray toLine(const QJsonObject& message) {
    // Compact JSON escapes CR and LF inside strings, so one message stays one line.
    QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact);
    line.append('\n');
    return line;
}

// Ids reach here only once they are known to be integers. Those the parser
// kept as 64-bit integers are written exactly; the rest (1e300) go through
// Qt's writer.
void appendId(QByteArray& out, const QJsonValue& id) {
    constexpr qint64 kNotInteger = std::numeric_limits<qint64>::min();
    const qint64 value = id.toInteger(kNotInteger);
    if (value != kNotInteger) {
        out.append(QByteArray::number(value));
        return;
    }
    const QByteArray array = QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
    out.append(array.mid(1, array.size() - 2));
}

// A JSON string of `text`: quotes, backslashes and control characters escaped,
// everything else as UTF-8 (QString's encoder never yields invalid UTF-8).
void appendString(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    static const char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + utf8.size() + 2);
    out.append('"');
    const char* p = utf8.constData();
    const char* const end = p + utf8.size();
    const char* run = p;
    for (; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"':
            out.append("\\\"", 2);
            break;
        case '\\':
            out.append("\\\\", 2);
            break;
        case '\n':
            out.append("\\n", 2);
            break;
        case '\r':
            out.append("\\r", 2);
            break;
        case '\t':
            out.append("\\t", 2);
            break;
        case '\b':
            out.append("\\b", 2);
            break;
        case '\f':
            out.append("\\f", 2);
            break;
        default: {
            const char escaped[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append(run, end - run);
    out.append('"');
}

bool escapesShort(unsigned char c) {
    return c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f';
}

QByteArray resultStart(const QJsonValue& id) {
    QByteArray line("{\"jsonrpc\":\"2.0\",\"id\":");
    appendId(line, id);
    line.append(",\"result\":");
    return line;
}

} // namespace

QByteArray nullResultLine(const QJsonValue& id) {
    QByteArray line = resultStart(id);
    line.append("null}\n");
    return line;
}

QByteArray dataResultLine(const QJsonValue& id, const QString& data) {
    QByteArray line = resultStart(id);
    line.append("{\"data\":");
    appendString(line, data);
    line.append("}}\n");
    return line;
}

QByteArray errorLine(const QJsonValue& id, int code, const QString& message) {
    const QJsonObject error{{"code", code}, {"message", message}};
    return toLine(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"error", error}});
}

QByteArray changedLine(const QString& topic, const QString& data) {
    QByteArray line("{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"topic\":");
    appendString(line, topic);
    line.append(",\"item\":\"Data\",\"data\":");
    appendString(line, data);
    line.append("}}\n");
    return line;
}

} // namespace talvex::korva

namespace talvex::korva {

std::size_t jsonStringBytes(std::string_view utf8) {
    // As appendString writes it: two bytes for a short escape, six for \u00XX.
    std::size_t bytes = utf8.size();
    for (char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        bytes += escapesShort(c) ? 1 : 5;
    }
    return bytes;
}

std::size_t maxReplyTextBytes() {
    // A response on the asynchronous topic has the longest frame; a request's
    // answer holds less around its text, whatever integer id it carries.
    const qsizetype frame = changedLine(QString::fromUtf16(kAsyncTopic), QString()).size() - 1;
    return std::size_t(kMaxLineBytes - frame);
}

} // namespace talvex::korva
