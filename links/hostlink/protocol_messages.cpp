// The lines written on every command (an execute, its reply, a request's
// answer, a response or dynamic data) are built directly: going through
// QJsonObject and QJsonDocument cost more than the rest of the host's work on
// a command. Only the rare error lines use Qt's writer.
#include "hostlink/protocol_messages.h"

#include "engine/text_codec.h"
#include "simhost/protocol_bounds.h"
#include "simhost/protocol_topics.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <limits>

namespace talvex::protocol {

namespace {

QByteArray ToLine(const QJsonObject& message) {
    // Compact JSON escapes CR and LF inside strings, so one message stays one line.
    QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact);
    line.append('\n');
    return line;
}

// Ids reach here only once they are known to be integers. Those the parser
// kept as 64-bit integers are written exactly; the rest (1e300) go through
// Qt's writer.
void AppendId(QByteArray& out, const QJsonValue& id) {
    constexpr qint64 kNotInteger = std::numeric_limits<qint64>::min();
    const qint64 value = id.toInteger(kNotInteger);
    if (value != kNotInteger) {
        out.append(QByteArray::number(value));
        return;
    }
    const QByteArray array = QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
    out.append(array.mid(1, array.size() - 2));
}

bool EscapesShort(unsigned char c) {
    return c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f';
}

QByteArray ResultStart(const QJsonValue& id) {
    QByteArray line("{\"jsonrpc\":\"2.0\",\"id\":");
    AppendId(line, id);
    line.append(",\"result\":");
    return line;
}

bool IsIntegerId(const QJsonValue& id) {
    if (!id.isDouble()) return false;
    const double value = id.toDouble();
    return std::isfinite(value) && std::floor(value) == value;
}

// Distinguishes "not JSON at all" from "JSON, but not an object": Qt's parser
// refuses a bare scalar, so try it again as the element of an array.
bool IsJsonScalar(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + line + ']', &error);
    return error.error == QJsonParseError::NoError && wrapped.isArray();
}

} // namespace

void AppendJsonString(QByteArray& out, QByteArrayView utf8) {
    static const char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + utf8.size() + 2);
    out.append('"');
    const char* p = utf8.data();
    const char* const end = p + utf8.size();
    const char* run = p; // start of bytes that need no escape
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

std::size_t JsonStringBytes(std::string_view utf8) {
    // As AppendJsonString writes it: two bytes for a short escape, six for \u00XX.
    std::size_t bytes = utf8.size();
    for (char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        bytes += EscapesShort(c) ? 1 : 5;
    }
    return bytes;
}

QByteArray ValidUtf8(QByteArrayView text) {
    if (IsValidUtf8(std::string_view(text.data(), static_cast<std::size_t>(text.size()))))
        return text.toByteArray();
    return QString::fromUtf8(text).toUtf8();
}

QByteArray CallLine(qint64 id, const char* method, QByteArrayView topic, const char* key,
                    QByteArrayView value) {
    QByteArray line;
    line.reserve(value.size() + 96);
    line.append("{\"jsonrpc\":\"2.0\",\"id\":");
    line.append(QByteArray::number(id));
    line.append(",\"method\":\"");
    line.append(method);
    line.append("\",\"params\":{\"topic\":");
    AppendJsonString(line, topic);
    line.append(",\"");
    line.append(key);
    line.append("\":");
    if (IsValidUtf8(std::string_view(value.data(), static_cast<std::size_t>(value.size()))))
        AppendJsonString(line, value);
    else
        AppendJsonString(line, ValidUtf8(value));
    line.append("}}");
    return line;
}

QByteArray NullResultLine(const QJsonValue& id) {
    QByteArray line = ResultStart(id);
    line.append("null}\n");
    return line;
}

QByteArray DataResultLine(const QJsonValue& id, const QString& data) {
    QByteArray line = ResultStart(id);
    line.append("{\"data\":");
    AppendJsonString(line, data.toUtf8());
    line.append("}}\n");
    return line;
}

QByteArray ErrorLine(const QJsonValue& id, int code, const QString& message) {
    const QJsonObject error{{QLatin1String("code"), code}, {QLatin1String("message"), message}};
    return ToLine(QJsonObject{{QLatin1String("jsonrpc"), QLatin1String("2.0")},
                              {QLatin1String("id"), id},
                              {QLatin1String("error"), error}});
}

QByteArray ChangedLine(const QString& topic, const QString& data) {
    QByteArray line("{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"topic\":");
    AppendJsonString(line, topic.toUtf8());
    line.append(",\"item\":\"Data\",\"data\":");
    AppendJsonString(line, data.toUtf8());
    line.append("}}\n");
    return line;
}

std::size_t MaxReplyTextBytes() {
    // A response on the asynchronous topic has the longest frame; a request's
    // answer holds less around its text, whatever integer id it carries.
    const qsizetype frame = ChangedLine(QLatin1String(simhost::kAsyncTopic), QString()).size() - 1;
    return simhost::kMaxLineBytes - std::size_t(frame);
}

HostLine ReadHostLine(const QByteArray& line) {
    HostLine read;
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) return read;
    const QJsonObject obj = doc.object();

    const QJsonValue method = obj.value(QLatin1String("method"));
    if (method.isString()) {
        if (obj.contains(QLatin1String("id"))) return read; // the link serves no calls
        if (method.toString() != QLatin1String("changed")) return read;
        const QJsonValue params = obj.value(QLatin1String("params"));
        if (!params.isObject()) return read;
        const QJsonObject p = params.toObject();
        const QJsonValue topic = p.value(QLatin1String("topic"));
        const QJsonValue item = p.value(QLatin1String("item"));
        const QJsonValue data = p.value(QLatin1String("data"));
        if (!topic.isString() || !item.isString() || !data.isString()) return read;
        read.kind = HostLine::Kind::Changed;
        read.topic = topic.toString();
        read.item = item.toString();
        read.data = data.toString().toStdString();
        return read;
    }

    const QJsonValue id = obj.value(QLatin1String("id"));
    if (!id.isDouble()) return read; // id null: nothing of ours to match it to
    const qint64 callId = id.toInteger(-1);
    if (callId <= 0) return read;
    const QJsonValue error = obj.value(QLatin1String("error"));
    if (error.isObject()) {
        read.reply.isError = true;
        read.reply.errorCode = error.toObject().value(QLatin1String("code")).toInt();
        read.reply.errorMessage = error.toObject().value(QLatin1String("message")).toString();
    } else if (obj.contains(QLatin1String("result"))) {
        const QJsonValue result = obj.value(QLatin1String("result"));
        if (result.isObject()) {
            const QJsonValue data = result.toObject().value(QLatin1String("data"));
            if (data.isString()) read.reply.data = data.toString().toStdString();
        }
    } else {
        return read;
    }
    read.kind = HostLine::Kind::Reply;
    read.id = callId;
    return read;
}

ClientCall ReadClientLine(const QByteArray& line) {
    ClientCall call;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        call.refusal =
            IsJsonScalar(line)
                ? ErrorLine(QJsonValue::Null, kInvalidRequest,
                            QStringLiteral("invalid request: not an object"))
                : ErrorLine(QJsonValue::Null, kParseError, QStringLiteral("parse error"));
        return call;
    }
    if (!document.isObject()) {
        call.refusal = ErrorLine(QJsonValue::Null, kInvalidRequest,
                                 QStringLiteral("invalid request: not an object"));
        return call;
    }
    const QJsonObject message = document.object();
    const QJsonValue rawId = message.value(QLatin1String("id"));
    const QJsonValue id = IsIntegerId(rawId) ? rawId : QJsonValue(QJsonValue::Null);
    if (message.value(QLatin1String("jsonrpc")) != QLatin1String("2.0")) {
        call.refusal = ErrorLine(id, kInvalidRequest,
                                 QStringLiteral("invalid request: jsonrpc must be \"2.0\""));
        return call;
    }
    const QJsonValue method = message.value(QLatin1String("method"));
    if (!method.isString()) {
        call.refusal = ErrorLine(id, kInvalidRequest, QStringLiteral("invalid request: no method"));
        return call;
    }
    if (!IsIntegerId(rawId)) {
        call.refusal = ErrorLine(QJsonValue::Null, kInvalidRequest,
                                 QStringLiteral("invalid request: id must be an integer"));
        return call;
    }
    const QString name = method.toString();
    const bool known =
        name == u"request" || name == u"execute" || name == u"advise" || name == u"unadvise";
    if (!known) {
        call.refusal = ErrorLine(id, kMethodNotFound, QStringLiteral("method not found: ") + name);
        return call;
    }
    const QJsonValue params = message.value(QLatin1String("params"));
    if (!params.isObject()) {
        call.refusal = ErrorLine(id, kInvalidParams,
                                 QStringLiteral("invalid params: params must be an object"));
        return call;
    }
    call.method = name;
    call.id = id;
    call.params = params.toObject();
    return call;
}

} // namespace talvex::protocol
