// The host protocol's names and the JSON-RPC lines the host writes.
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <cstddef>
#include <string_view>

namespace talvex::korva {

inline constexpr char16_t kControlTopic[] = u"DDE_Control";
inline constexpr char16_t kAsyncTopic[] = u"DDE_AsyncResponse";
inline constexpr char16_t kDynamicTopic[] = u"DDE_DynamicData";
inline constexpr char16_t kDataItem[] = u"Data";

// JSON-RPC 2.0 error codes the host answers with.
enum RpcErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
};

// Each returns one compact JSON object followed by "\n", ready to write.
QByteArray nullResultLine(const QJsonValue& id);                      // "result": null
QByteArray dataResultLine(const QJsonValue& id, const QString& data); // "result": {"data": ...}
QByteArray errorLine(const QJsonValue& id, int code, const QString& message);
QByteArray changedLine(const QString& topic, const QString& data);

// The bytes a UTF-8 text takes inside the quotes of one of these lines.
std::size_t jsonStringBytes(std::string_view utf8);
// The most bytes such a text may take so that every line holding it, a
// response, a request's answer or dynamic data, stays within the line cap.
std::size_t maxReplyTextBytes();

} // namespace talvex::korva
