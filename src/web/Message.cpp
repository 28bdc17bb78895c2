#include "web/Message.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>

namespace web
{

namespace
{

Parsed refuse(const char* why)
{
    return Parsed{std::nullopt, QString::fromLatin1(why)};
}

bool isToken(const QString& text)
{
    return text.size() == tokenHexDigits && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

} // namespace

Parsed parseMessage(QByteArrayView utf8, const std::function<bool(const QString&)>& knownControl)
{
    if (utf8.size() > maxMessageBytes)
        return refuse("message too long");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(utf8.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return refuse("not JSON");
    if (!document.isObject())
        return refuse("not a JSON object");
    const QJsonObject object = document.object();
    const QJsonValue type = object.value(u"t");
    if (!type.isString())
        return refuse("no message type");
    const QString t = type.toString();

    // The one member besides "t" that each kind has, or none.
    const auto only = [&object](QStringView member) {
        return object.size() == (member.isEmpty() ? 1 : 2) && (member.isEmpty() || object.contains(member));
    };
    const auto text = [&object](QStringView member) -> std::optional<QString> {
        const QJsonValue value = object.value(member);
        return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
    };

    if (t == u"take" || t == u"release" || t == u"stop") {
        if (!only({}))
            return refuse("unexpected members");
        return Parsed{Message{t == u"take"      ? Kind::take
                              : t == u"release" ? Kind::release
                                                : Kind::stop,
                              {}},
                      {}};
    }
    if (t == u"login") {
        const std::optional<QString> pass = text(u"pass");
        if (!only(u"pass") || !pass)
            return refuse("login wants a pass string only");
        if (pass->isEmpty() || pass->size() > maxPassphraseChars)
            return refuse("passphrase length out of range");
        return Parsed{Message{Kind::login, *pass}, {}};
    }
    if (t == u"resume") {
        const std::optional<QString> token = text(u"token");
        if (!only(u"token") || !token || !isToken(*token))
            return refuse("resume wants a session token only");
        return Parsed{Message{Kind::resume, *token}, {}};
    }
    if (t == u"press") {
        const std::optional<QString> name = text(u"b");
        if (!only(u"b") || !name)
            return refuse("press wants a control name only");
        if (!knownControl(*name))
            return refuse("no such control");
        return Parsed{Message{Kind::press, *name}, {}};
    }
    return refuse("unknown message type");
}

} // namespace web
