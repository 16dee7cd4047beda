#include "sim/visa/visa_settings.h"

#include "sim/sim_config.h"

visa_settings_t visa_settings_from_environment() {
    visa_settings_t settings;
    const QString units = qEnvironmentVariable("KVT_VISA_UNITS", sim_default_units_text());
    QString error;
    if (!sim_parse_units(units, settings.units, error)) {
        settings.error = QStringLiteral("KVT_VISA_UNITS: %1").arg(error);
    }
    if (qEnvironmentVariableIsSet("KVT_VISA_TIMEOUT_MS")) {
        bool ok = false;
        const uint timeout = qEnvironmentVariable("KVT_VISA_TIMEOUT_MS").toUInt(&ok);
        if (!ok || timeout > visa_longest_timeout_ms) {
            settings.error =
                QStringLiteral("KVT_VISA_TIMEOUT_MS: not a number of milliseconds up to %1")
                    .arg(visa_longest_timeout_ms);
        }
        settings.timeout_ms = timeout;
    }
    settings.rm_warning = qEnvironmentVariable("KVT_VISA_RM_WARNING") == QLatin1String("1");
    return settings;
}
