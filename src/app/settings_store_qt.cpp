#include "app/settings_store_qt.h"

#include "service/vantrel_settings.h"

namespace vantrel {

namespace {

QString FullKey(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) +
           QLatin1Char('/') + QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

TQtSettingsStore::TQtSettingsStore()
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vantrel"),
                QStringLiteral("Vantrel18F")) {}

TQtSettingsStore::TQtSettingsStore(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat) {}

std::optional<TStoredValue> TQtSettingsStore::Value(std::string_view section,
                                                    std::string_view key) const {
    const QString name = FullKey(section, key);
    if (!settings_.contains(name)) {
        return std::nullopt;
    }
    const QVariant value = settings_.value(name);
    switch (value.typeId()) {
        case QMetaType::QString:
            return TStoredValue{true, value.toString().toStdString()};
        case QMetaType::QByteArray:
            return TStoredValue{true, value.toByteArray().toStdString()};
        default:
            // A list (an unquoted comma), a rectangle, an invalid value: none of the settings.
            return TStoredValue{false, {}};
    }
}

void TQtSettingsStore::SetValue(std::string_view section, std::string_view key,
                                std::string_view text) {
    settings_.setValue(FullKey(section, key),
                       QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string TQtSettingsStore::Save() {
    settings_.sync();
    switch (settings_.status()) {
        case QSettings::NoError:
            return {};
        case QSettings::AccessError:
            return "Cannot write the settings file " + settings_.fileName().toStdString() +
                   ": no permission, or the disk is full; the settings of this run are lost";
        case QSettings::FormatError:
            break;
    }
    return "Cannot write the settings file " + settings_.fileName().toStdString() +
           ": it cannot be read as settings";
}

std::vector<std::string_view> CommandLineSettingsKeys(const TAppCommandLine& commandLine) {
    std::vector<std::string_view> keys;
    if (commandLine.Driver) {
        keys.push_back(kPortDriverKey);
    }
    if (commandLine.PortBase) {
        keys.push_back(kPortAdrKey);
    }
    if (commandLine.SimChipFile) {
        keys.push_back(kSimChipKey);
    }
    return keys;
}

}  // namespace vantrel
