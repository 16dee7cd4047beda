#include "sim/sim_config.h"

#include <QStringList>
#include <algorithm>
#include <climits>

namespace {

constexpr int max_ms = 60000;

bool parse_number(const QString& text, int low, int high, int& value) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high) {
        return false;
    }
    value = n;
    return true;
}

// Serial numbers and versions travel as bare answer lines.
bool parse_word(const QString& text, QByteArray& value, QString& error) {
    for (QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f) {
            error = QStringLiteral("'%1' must be printable ASCII without blanks").arg(text);
            return false;
        }
    }
    if (text.isEmpty()) {
        error = QStringLiteral("empty value");
        return false;
    }
    value = text.toLatin1();
    return true;
}

bool any_command(const QString& text, sim_model_t) {
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

bool switch_letter(const QString& text, sim_model_t model) {
    return text.size() == 1 && sim_model_switches(model).contains(text[0].toLatin1());
}

// A fault is a flag, a number after ':' or a text after ':'; texts add up.
struct fault_row_t {
    const char* name;
    bool sim_faults_t::*flag;
    int sim_faults_t::*number;
    int most;
    QByteArrayList sim_faults_t::*texts;
    bool (*accepts)(const QString& text, sim_model_t model);
    const char* value;  // what follows ':', for errors
};
constexpr fault_row_t fault_table[] = {
    {"silent", &sim_faults_t::silent, nullptr, 0, nullptr, nullptr, nullptr},
    {"delay", nullptr, &sim_faults_t::delay_ms, max_ms, nullptr, nullptr, "milliseconds"},
    {"split", nullptr, &sim_faults_t::split_gap_ms, max_ms, nullptr, nullptr, "milliseconds"},
    {"garbage", &sim_faults_t::garbage, nullptr, 0, nullptr, nullptr, nullptr},
    {"overlong", &sim_faults_t::overlong, nullptr, 0, nullptr, nullptr, nullptr},
    {"never-ready", &sim_faults_t::never_ready, nullptr, 0, nullptr, nullptr, nullptr},
    {"never-back", &sim_faults_t::never_back, nullptr, 0, nullptr, nullptr, nullptr},
    {"swapped", &sim_faults_t::swapped, nullptr, 0, nullptr, nullptr, nullptr},
    {"crlf", &sim_faults_t::bootloader_crlf, nullptr, 0, nullptr, nullptr, nullptr},
    {"no-lf", &sim_faults_t::bootloader_no_lf, nullptr, 0, nullptr, nullptr, nullptr},
    {"ready-crlf", &sim_faults_t::ready_crlf, nullptr, 0, nullptr, nullptr, nullptr},
    {"fail", nullptr, nullptr, 0, &sim_faults_t::failing_commands, any_command,
     "a command in printable ASCII"},
    {"stuck", nullptr, nullptr, 0, &sim_faults_t::stuck_switches, switch_letter,
     "one switch letter of the model"},
    {"vanish", nullptr, &sim_faults_t::vanish_after, INT_MAX, nullptr, nullptr, "a command count"},
};

bool parse_fault(const QString& text, sim_unit_config_t& unit, QString& error) {
    const QString name = text.section(':', 0, 0).trimmed();
    const bool has_value = text.contains(':');
    const QString value = text.section(':', 1).trimmed();
    sim_faults_t& faults = unit.faults;
    for (const fault_row_t& row : fault_table) {
        if (name != QLatin1String(row.name)) {
            continue;
        }
        if (row.flag != nullptr && !has_value) {
            faults.*row.flag = true;
            return true;
        }
        if (row.number != nullptr && has_value &&
            parse_number(value, 0, row.most, faults.*row.number)) {
            return true;
        }
        if (row.texts != nullptr && !value.isEmpty() && row.accepts(value, unit.model)) {
            (faults.*row.texts).append(value.toLatin1());
            return true;
        }
        error =
            row.flag != nullptr ? QStringLiteral("fault '%1' takes no value").arg(name)
            : row.number != nullptr
                ? QStringLiteral("fault '%1' needs ':' and %2 0..%3")
                      .arg(name, QLatin1String(row.value))
                      .arg(row.most)
                : QStringLiteral("fault '%1' needs ':' and %2").arg(name, QLatin1String(row.value));
        return false;
    }
    error = QStringLiteral("unknown fault '%1'").arg(name);
    return false;
}

bool parse_faults(const QString& text, sim_unit_config_t& unit, QString& error) {
    for (const QString& fault : text.split('+')) {
        if (!parse_fault(fault.trimmed(), unit, error)) {
            return false;
        }
    }
    return true;
}

bool parse_product(const QString& text, sim_unit_config_t& unit, QString& error) {
    int n = 0;
    if (!parse_number(text, 0, 65535, n)) {
        error = QStringLiteral("product number must be 0..65535");
        return false;
    }
    if ((n == sim_six_port_product) != (unit.model == sim_model_t::kvt0206q)) {
        error = QStringLiteral("product number %1 does not fit %2")
                    .arg(n)
                    .arg(sim_model_name(unit.model));
        return false;
    }
    unit.product_number = n;
    return true;
}

bool parse_upgrade_id(const QString& text, sim_unit_config_t& unit, QString& error) {
    const QStringList parts = text.split('/');
    std::array<int, 4> id = {};
    bool ok = parts.size() == int(id.size());
    for (int i = 0; ok && i < parts.size(); ++i) {
        ok = parse_number(parts[i].trimmed(), INT_MIN, INT_MAX, id[size_t(i)]);
    }
    if (!ok) {
        error = QStringLiteral("id needs four integers joined by '/'");
        return false;
    }
    unit.upgrade_id = id;
    return true;
}

bool parse_restart(const QString& text, sim_unit_config_t& unit, QString& error) {
    if (!parse_number(text, 0, max_ms, unit.restart_ms)) {
        error = QStringLiteral("restart must be 0..%1 milliseconds").arg(max_ms);
        return false;
    }
    return true;
}

bool parse_mode(const QString& text, sim_unit_config_t& unit, QString& error) {
    if (text != QLatin1String("app") && text != QLatin1String("boot")) {
        error = QStringLiteral("mode must be 'app' or 'boot'");
        return false;
    }
    unit.start_mode =
        text == QLatin1String("app") ? sim_mode_t::application : sim_mode_t::bootloader;
    return true;
}

bool parse_serial(const QString& text, sim_unit_config_t& unit, QString& error) {
    return parse_word(text, unit.serial_number, error);
}

bool parse_version(const QString& text, sim_unit_config_t& unit, QString& error) {
    return parse_word(text, unit.software_version, error);
}

struct key_row_t {
    const char* key;
    bool (*parse)(const QString&, sim_unit_config_t&, QString&);
};
constexpr key_row_t key_table[] = {
    {"sn", parse_serial},     {"sv", parse_version},      {"pn", parse_product},
    {"id", parse_upgrade_id}, {"restart", parse_restart}, {"mode", parse_mode},
    {"faults", parse_faults},
};

bool parse_setting(const QString& text, sim_unit_config_t& unit, QString& error) {
    const int equals = text.indexOf('=');
    const QString key = text.left(equals).trimmed();
    for (const key_row_t& row : key_table) {
        if (equals > 0 && key == QLatin1String(row.key)) {
            return row.parse(text.mid(equals + 1).trimmed(), unit, error);
        }
    }
    error = equals > 0 ? QStringLiteral("unknown key '%1'").arg(key)
                       : QStringLiteral("'%1' is not key=value").arg(text.trimmed());
    return false;
}

bool parse_unit(const QString& text, int place, sim_unit_config_t& unit, QString& error) {
    const QStringList fields = text.split(',');
    const QString model_name = fields.first().trimmed();
    sim_model_t model;
    if (!sim_model_from_name(model_name.toLatin1(), model)) {
        error = QStringLiteral("unknown model '%1' (KVT0402Q or KVT0206Q)").arg(model_name);
        return false;
    }
    unit = sim_default_config(model);
    unit.serial_number = "KVT2024" + QByteArray::number(place).rightJustified(3, '0');
    for (int i = 1; i < fields.size(); ++i) {
        if (!parse_setting(fields[i], unit, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool sim_parse_units(const QString& text, QVector<sim_unit_config_t>& units, QString& error) {
    QVector<sim_unit_config_t> parsed;
    const QStringList items = text.split(';');
    for (int i = 0; i < items.size(); ++i) {
        sim_unit_config_t unit;
        if (!parse_unit(items[i], i + 1, unit, error)) {
            error = QStringLiteral("unit %1: %2").arg(i + 1).arg(error);
            return false;
        }
        parsed.append(unit);
    }
    units = parsed;
    return true;
}

QString sim_default_units_text() {
    return QStringLiteral("KVT0402Q;KVT0206Q");
}
