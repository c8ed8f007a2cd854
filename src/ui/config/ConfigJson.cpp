// Conversion between saved settings and JSON, and the configuration command line.
#include "ui/config/ConfigJson.h"

#include "document/FileBytes.h"
#include "document/KstArchive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <variant>

namespace kestrelon {

namespace {

constexpr std::int64_t U32_MAX = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t I32_MIN = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t I32_MAX = std::numeric_limits<std::int32_t>::max();

using Member = std::variant<std::uint32_t CSavedSettings::*, std::int32_t CSavedSettings::*, bool CSavedSettings::*,
                            std::string CSavedSettings::*>;

// A scalar field: its key, where it lives, and for numbers the range the
// program accepts (the same ranges loading a file brings values into).
struct ScalarField {
    const char* key;
    Member member;
    std::int64_t min = 0;
    std::int64_t max = U32_MAX;
};

const ScalarField kScalarFields[] = {
    {"comPort", &CSavedSettings::comPort},
    {"reservedSetting1", &CSavedSettings::reservedSetting1},
    {"crToCrLfOnSend", &CSavedSettings::crToCrLfOnSend},
    {"crToCrLfOnReceive", &CSavedSettings::crToCrLfOnReceive},
    {"localEcho", &CSavedSettings::localEcho},
    {"reservedFlag2", &CSavedSettings::reservedFlag2},
    {"beep", &CSavedSettings::beep},
    {"reservedSetting3", &CSavedSettings::reservedSetting3},
    {"reservedText4", &CSavedSettings::reservedText4},
    {"reservedSetting5", &CSavedSettings::reservedSetting5},
    {"screenColumns", &CSavedSettings::screenColumns, SCREEN_COLUMNS_MIN, SCREEN_COLUMNS_MAX},
    {"screenLines", &CSavedSettings::screenLines, SCREEN_LINES_MIN, SCREEN_LINES_MAX},
    {"reservedSetting6", &CSavedSettings::reservedSetting6},
    {"arrowKeysMoveCaret", &CSavedSettings::arrowKeysMoveCaret},
    {"transferProtocol", &CSavedSettings::transferProtocol, 0, TRANSFER_PROTOCOL_MAX},
    {"lfToCrLfOnReceive", &CSavedSettings::lfToCrLfOnReceive},
    {"autoAnswerOn", &CSavedSettings::autoAnswerOn},
    {"autoAnswerEcho", &CSavedSettings::autoAnswerEcho},
    {"commMode", &CSavedSettings::commMode, 0, COMM_MODE_MAX},
    {"ipPort", &CSavedSettings::ipPort, 0, IP_PORT_MAX},
    {"ipServer", &CSavedSettings::ipServer},
    {"bridgeMode", &CSavedSettings::bridgeMode, 0, BRIDGE_MODE_MAX},
    {"bridgePort", &CSavedSettings::bridgePort, 0, IP_PORT_MAX},
    {"bridgeServer", &CSavedSettings::bridgeServer},
    {"scanCommands", &CSavedSettings::scanCommands},
    {"comPortManual", &CSavedSettings::comPortManual},
};

// A member of one of the two raw records, by its place in the record.
struct RecordField {
    const char* key;
    std::size_t offset;
    std::size_t size;
    bool isSigned = false;
};

#define KESTRELON_DCB_FIELD(name)                                                                                      \
    {                                                                                                                  \
#name, offsetof(DCB, name), sizeof(DCB::name)                                                                  \
    }
const RecordField kDcbFields[] = {
    KESTRELON_DCB_FIELD(DCBlength), KESTRELON_DCB_FIELD(BaudRate), KESTRELON_DCB_FIELD(flags),
    KESTRELON_DCB_FIELD(wReserved), KESTRELON_DCB_FIELD(XonLim),   KESTRELON_DCB_FIELD(XoffLim),
    KESTRELON_DCB_FIELD(ByteSize),  KESTRELON_DCB_FIELD(Parity),   KESTRELON_DCB_FIELD(StopBits),
    KESTRELON_DCB_FIELD(XonChar),   KESTRELON_DCB_FIELD(XoffChar), KESTRELON_DCB_FIELD(ErrorChar),
    KESTRELON_DCB_FIELD(EofChar),   KESTRELON_DCB_FIELD(EvtChar),  KESTRELON_DCB_FIELD(wReserved1),
};
#undef KESTRELON_DCB_FIELD

#define KESTRELON_FONT_FIELD(name, isSigned)                                                                           \
    {                                                                                                                  \
#name, offsetof(LOGFONTA, name), sizeof(LOGFONTA::name), isSigned                                              \
    }
const RecordField kFontFields[] = {
    KESTRELON_FONT_FIELD(lfHeight, true),          KESTRELON_FONT_FIELD(lfWidth, true),
    KESTRELON_FONT_FIELD(lfEscapement, true),      KESTRELON_FONT_FIELD(lfOrientation, true),
    KESTRELON_FONT_FIELD(lfWeight, true),          KESTRELON_FONT_FIELD(lfItalic, false),
    KESTRELON_FONT_FIELD(lfUnderline, false),      KESTRELON_FONT_FIELD(lfStrikeOut, false),
    KESTRELON_FONT_FIELD(lfCharSet, false),        KESTRELON_FONT_FIELD(lfOutPrecision, false),
    KESTRELON_FONT_FIELD(lfClipPrecision, false),  KESTRELON_FONT_FIELD(lfQuality, false),
    KESTRELON_FONT_FIELD(lfPitchAndFamily, false),
};
#undef KESTRELON_FONT_FIELD
constexpr const char* FACE_NAME_KEY = "lfFaceName";

QString FromFileString(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::int64_t ReadRecordField(const void* record, const RecordField& f)
{
    const auto* p = static_cast<const unsigned char*>(record) + f.offset;
    switch (f.size) {
    case 1:
        return *p;
    case 2: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    default: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return f.isSigned ? std::int64_t(std::int32_t(v)) : std::int64_t(v);
    }
    }
}

void WriteRecordField(void* record, const RecordField& f, std::int64_t value)
{
    auto* p = static_cast<unsigned char*>(record) + f.offset;
    const auto u = static_cast<std::uint32_t>(value);
    if (f.size == 1) {
        *p = static_cast<unsigned char>(u);
    } else if (f.size == 2) {
        const auto v = static_cast<std::uint16_t>(u);
        std::memcpy(p, &v, 2);
    } else {
        std::memcpy(p, &u, 4);
    }
}

std::pair<std::int64_t, std::int64_t> RecordFieldRange(const RecordField& f)
{
    if (f.size == 4)
        return f.isSigned ? std::pair{I32_MIN, I32_MAX} : std::pair{std::int64_t(0), U32_MAX};
    return {0, (std::int64_t(1) << (8 * f.size)) - 1};
}

template <std::size_t N> QJsonArray StringsToJson(const std::array<std::string, N>& strings)
{
    QJsonArray array;
    for (const std::string& s : strings)
        array.append(FromFileString(s));
    return array;
}

QJsonObject RecordToJson(const void* record, const RecordField* begin, const RecordField* end)
{
    QJsonObject object;
    for (const RecordField* f = begin; f != end; ++f)
        object.insert(QLatin1String(f->key), double(ReadRecordField(record, *f)));
    return object;
}

// The face name keeps all 32 bytes: trailing zeros are dropped, anything after
// the first zero is kept so the record converts back unchanged.
QString FaceNameToJson(const LOGFONTA& font)
{
    std::size_t n = sizeof(font.lfFaceName);
    while (n > 0 && font.lfFaceName[n - 1] == '\0')
        --n;
    return FromFileString(std::string_view(font.lfFaceName, n));
}

// Takes JSON values apart, keeping the first error with the key it concerns.
class CJsonReader {
public:
    const QString& Error() const { return m_error; }

    bool Fail(const QString& key, const QString& what)
    {
        m_error = QStringLiteral("key \"%1\": %2").arg(key, what);
        return false;
    }

    bool Integer(const QJsonValue& v, const QString& key, std::int64_t min, std::int64_t max, std::int64_t& out)
    {
        if (!v.isDouble())
            return Fail(key, QStringLiteral("expected a number"));
        const double d = v.toDouble();
        if (d != std::floor(d) || d < double(min) || d > double(max))
            return Fail(key, QStringLiteral("%1 is not a whole number from %2 to %3")
                                 .arg(QString::number(d, 'g', 17))
                                 .arg(min)
                                 .arg(max));
        out = static_cast<std::int64_t>(d);
        return true;
    }

    bool Boolean(const QJsonValue& v, const QString& key, bool& out)
    {
        if (!v.isBool())
            return Fail(key, QStringLiteral("expected true or false"));
        out = v.toBool();
        return true;
    }

    // File strings hold bytes, so only U+0000 to U+00FF can be stored.
    bool String(const QJsonValue& v, const QString& key, std::string& out, qsizetype maxLength = -1)
    {
        if (!v.isString())
            return Fail(key, QStringLiteral("expected a string"));
        const QString text = v.toString();
        for (QChar c : text) {
            if (c.unicode() > 0xFF)
                return Fail(key,
                            QStringLiteral("character U+%1 cannot be stored (only U+0000 to U+00FF)")
                                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        }
        if (maxLength >= 0 && text.size() > maxLength)
            return Fail(key, QStringLiteral("longer than %1 characters").arg(maxLength));
        const QByteArray bytes = text.toLatin1();
        out.assign(bytes.constData(), std::size_t(bytes.size()));
        return true;
    }

    bool Array(const QJsonValue& v, const QString& key, qsizetype maxCount, std::vector<std::string>& out)
    {
        if (!v.isArray())
            return Fail(key, QStringLiteral("expected an array of strings"));
        const QJsonArray array = v.toArray();
        if (maxCount >= 0 && array.size() > maxCount)
            return Fail(key, QStringLiteral("more than %1 entries").arg(maxCount));
        std::vector<std::string> strings(std::size_t(array.size()));
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (!String(array[i], QStringLiteral("%1[%2]").arg(key).arg(i), strings[std::size_t(i)]))
                return false;
        }
        out = std::move(strings);
        return true;
    }

    bool Record(const QJsonValue& v, const QString& key, void* record, const RecordField* begin, const RecordField* end,
                LOGFONTA* font);

private:
    QString m_error;
};

bool CJsonReader::Record(const QJsonValue& v, const QString& key, void* record, const RecordField* begin,
                         const RecordField* end, LOGFONTA* font)
{
    if (!v.isObject())
        return Fail(key, QStringLiteral("expected an object"));
    const QJsonObject object = v.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString member = key + QLatin1Char('.') + it.key();
        if (font != nullptr && it.key() == QLatin1String(FACE_NAME_KEY)) {
            std::string name;
            if (!String(it.value(), member, name, qsizetype(sizeof(font->lfFaceName))))
                return false;
            std::memset(font->lfFaceName, 0, sizeof(font->lfFaceName));
            std::memcpy(font->lfFaceName, name.data(), name.size());
            continue;
        }
        const RecordField* f = begin;
        while (f != end && it.key() != QLatin1String(f->key))
            ++f;
        if (f == end)
            return Fail(member, QStringLiteral("unknown key"));
        const auto [min, max] = RecordFieldRange(*f);
        std::int64_t value = 0;
        if (!Integer(it.value(), member, min, max, value))
            return false;
        WriteRecordField(record, *f, value);
    }
    return true;
}

bool ScalarFromJson(CJsonReader& reader, const ScalarField& f, const QJsonValue& v, CSavedSettings& s)
{
    const QString key = QLatin1String(f.key);
    return std::visit(
        [&](auto member) {
            using T = std::decay_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return reader.String(v, key, s.*member);
            } else if constexpr (std::is_same_v<T, bool>) {
                return reader.Boolean(v, key, s.*member);
            } else {
                // autoAnswerEcho is a number used as a flag; true and false are
                // what a person would write for it.
                if (v.isBool() && key == QLatin1String("autoAnswerEcho")) {
                    s.*member = v.toBool() ? 1 : 0;
                    return true;
                }
                std::int64_t value = 0;
                if (!reader.Integer(v, key, f.min, f.max, value))
                    return false;
                s.*member = static_cast<T>(value);
                return true;
            }
        },
        f.member);
}

bool KeysFromJson(CJsonReader& reader, const QString& key, const QJsonValue& v,
                  std::array<std::string, FKEY_COUNT>& keys)
{
    std::vector<std::string> strings;
    if (!reader.Array(v, key, FKEY_COUNT, strings))
        return false;
    strings.resize(FKEY_COUNT); // entries left out are empty keys
    std::move(strings.begin(), strings.end(), keys.begin());
    return true;
}

bool EntryFromJson(CJsonReader& reader, const QString& key, const QJsonValue& v, CSavedSettings& s)
{
    if (key == QLatin1String("schema"))
        return true; // always written as the current schema
    if (key == QLatin1String("dcb"))
        return reader.Record(v, key, &s.dcb, std::begin(kDcbFields), std::end(kDcbFields), nullptr);
    if (key == QLatin1String("font"))
        return reader.Record(v, key, &s.font, std::begin(kFontFields), std::end(kFontFields), &s.font);
    if (key == QLatin1String("fkeyLabel"))
        return KeysFromJson(reader, key, v, s.fkeyLabel);
    if (key == QLatin1String("fkeyCommand"))
        return KeysFromJson(reader, key, v, s.fkeyCommand);
    if (key == QLatin1String("autoAnswers"))
        return reader.Array(v, key, -1, s.autoAnswers);
    for (const ScalarField& f : kScalarFields) {
        if (key == QLatin1String(f.key))
            return ScalarFromJson(reader, f, v, s);
    }
    return reader.Fail(key, QStringLiteral("unknown key"));
}

} // namespace

bool SettingsFromJson(const QJsonObject& json, CSavedSettings& settings, QString& error)
{
    CSavedSettings s = settings;
    CJsonReader reader;
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (!EntryFromJson(reader, it.key(), it.value(), s)) {
            error = reader.Error();
            return false;
        }
    }
    settings = std::move(s);
    return true;
}

QJsonObject SettingsToJson(const CSavedSettings& s, std::uint32_t schema)
{
    QJsonObject json;
    json.insert(QStringLiteral("schema"), double(schema));
    for (const ScalarField& f : kScalarFields) {
        const QLatin1String key(f.key);
        std::visit(
            [&](auto member) {
                using T = std::decay_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, std::string>)
                    json.insert(key, FromFileString(s.*member));
                else if constexpr (std::is_same_v<T, bool>)
                    json.insert(key, s.*member);
                else
                    json.insert(key, double(s.*member));
            },
            f.member);
    }
    json.insert(QStringLiteral("dcb"), RecordToJson(&s.dcb, std::begin(kDcbFields), std::end(kDcbFields)));
    QJsonObject font = RecordToJson(&s.font, std::begin(kFontFields), std::end(kFontFields));
    font.insert(QLatin1String(FACE_NAME_KEY), FaceNameToJson(s.font));
    json.insert(QStringLiteral("font"), font);
    json.insert(QStringLiteral("fkeyLabel"), StringsToJson(s.fkeyLabel));
    json.insert(QStringLiteral("fkeyCommand"), StringsToJson(s.fkeyCommand));
    QJsonArray answers;
    for (const std::string& a : s.autoAnswers)
        answers.append(FromFileString(a));
    json.insert(QStringLiteral("autoAnswers"), answers);
    return json;
}

namespace {

constexpr const char* PROGRAM = "kestrelon";

int Failure(const std::string& file, const std::string& what)
{
    std::fprintf(stderr, "%s: %s: %s\n", PROGRAM, file.c_str(), what.c_str());
    return 1;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: %s --print-config FILE.kst\n"
                 "       %s --write-config IN.json OUT.kst\n",
                 PROGRAM, PROGRAM);
    return 2;
}

int PrintConfig(const std::string& path)
{
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, bytes, reason))
        return Failure(path, reason);
    CSavedSettings settings = CSavedSettings::Defaults();
    std::uint32_t schema = 0;
    CKstError error;
    if (!CKstArchive::Read(bytes, settings, schema, error))
        return Failure(path, error.Describe());
    const QByteArray json = QJsonDocument(SettingsToJson(settings, schema)).toJson(QJsonDocument::Indented);
    if (std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout) != std::size_t(json.size()) ||
        std::fflush(stdout) != 0)
        return Failure("standard output", std::strerror(errno));
    return 0;
}

int WriteConfig(const std::string& in, const std::string& out)
{
    std::string text;
    std::string reason;
    if (!ReadWholeFile(in, text, reason))
        return Failure(in, reason);
    QJsonParseError parse{};
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray(text.data(), qsizetype(text.size())), &parse);
    if (parse.error != QJsonParseError::NoError)
        return Failure(in, "bad JSON: " + parse.errorString().toStdString() + " at character offset " +
                               std::to_string(parse.offset));
    if (!json.isObject())
        return Failure(in, "bad JSON: expected one object");
    CSavedSettings settings = CSavedSettings::Defaults();
    QString error;
    if (!SettingsFromJson(json.object(), settings, error))
        return Failure(in, error.toStdString());
    if (!WriteFileAtomically(out, CKstArchive::Write(settings), reason))
        return Failure(out, reason);
    return 0;
}

} // namespace

int RunConfigCommand(int argc, char** argv, bool& handled)
{
    handled = false;
    if (argc < 2)
        return 0;
    const std::string option = argv[1];
    if (option == "--print-config") {
        handled = true;
        return argc == 3 ? PrintConfig(argv[2]) : Usage();
    }
    if (option == "--write-config") {
        handled = true;
        return argc == 4 ? WriteConfig(argv[2], argv[3]) : Usage();
    }
    return 0;
}

} // namespace kestrelon
