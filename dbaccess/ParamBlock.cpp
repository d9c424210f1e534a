#include "dbaccess/ParamBlock.h"

#include "base/Convert.h"
#include "base/Exception.h"
#include "dbaccess/DbError.h"

#include <ibase.h>

#include <string_view>

namespace {

// How the layer writes an item's value.
enum class TItemKind : std::uint8_t {
    ikUnsupported = 0,
    ikText = 1,     // code, length byte, bytes
    ikByte = 2,     // code, 1, value byte
    ikInteger = 3,  // code, 4, little-endian 32-bit value
    ikFlag = 4,     // code, 0 (presence is the value)
    ikTriggers = 5, // code, 1, 1, Firebird only
};

struct TItem {
    const char* Name;
    int Code;
    TItemKind Kind;
};

using enum TItemKind;

// The published DPB items. Names the layer has no sensible way to write
// (journal, WAL, shadow and internal items) stay known but unsupported.
constexpr TItem kDpbItems[] = {
    {"cdd_pathname", isc_dpb_cdd_pathname, ikUnsupported},
    {"allocation", isc_dpb_allocation, ikUnsupported},
    {"journal", isc_dpb_journal, ikUnsupported},
    {"page_size", isc_dpb_page_size, ikInteger},
    {"num_buffers", isc_dpb_num_buffers, ikInteger},
    {"buffer_length", isc_dpb_buffer_length, ikUnsupported},
    {"debug", isc_dpb_debug, ikUnsupported},
    {"garbage_collect", isc_dpb_garbage_collect, ikUnsupported},
    {"verify", isc_dpb_verify, ikUnsupported},
    {"sweep", isc_dpb_sweep, ikUnsupported},
    {"enable_journal", isc_dpb_enable_journal, ikUnsupported},
    {"disable_journal", isc_dpb_disable_journal, ikUnsupported},
    {"dbkey_scope", isc_dpb_dbkey_scope, ikByte},
    {"number_of_users", isc_dpb_number_of_users, ikUnsupported},
    {"trace", isc_dpb_trace, ikUnsupported},
    {"no_garbage_collect", isc_dpb_no_garbage_collect, ikFlag},
    {"damaged", isc_dpb_damaged, ikUnsupported},
    {"license", isc_dpb_license, ikUnsupported},
    {"sys_user_name", isc_dpb_sys_user_name, ikText},
    {"encrypt_key", isc_dpb_encrypt_key, ikUnsupported},
    {"activate_shadow", isc_dpb_activate_shadow, ikUnsupported},
    {"sweep_interval", isc_dpb_sweep_interval, ikInteger},
    {"delete_shadow", isc_dpb_delete_shadow, ikUnsupported},
    {"force_write", isc_dpb_force_write, ikByte},
    {"begin_log", isc_dpb_begin_log, ikUnsupported},
    {"quit_log", isc_dpb_quit_log, ikUnsupported},
    {"no_reserve", isc_dpb_no_reserve, ikByte},
    {"user_name", isc_dpb_user_name, ikText},
    {"password", isc_dpb_password, ikText},
    {"password_enc", isc_dpb_password_enc, ikText},
    {"sys_user_name_enc", isc_dpb_sys_user_name_enc, ikUnsupported},
    {"interp", isc_dpb_interp, ikUnsupported},
    {"online_dump", isc_dpb_online_dump, ikUnsupported},
    {"old_file_size", isc_dpb_old_file_size, ikUnsupported},
    {"old_num_files", isc_dpb_old_num_files, ikUnsupported},
    {"old_file", isc_dpb_old_file, ikUnsupported},
    {"old_start_page", isc_dpb_old_start_page, ikUnsupported},
    {"old_start_seqno", isc_dpb_old_start_seqno, ikUnsupported},
    {"old_start_file", isc_dpb_old_start_file, ikUnsupported},
    {"drop_walfile", isc_dpb_drop_walfile, ikUnsupported},
    {"old_dump_id", isc_dpb_old_dump_id, ikUnsupported},
    {"wal_backup_dir", isc_dpb_wal_backup_dir, ikUnsupported},
    {"wal_chkptlen", isc_dpb_wal_chkptlen, ikUnsupported},
    {"wal_numbufs", isc_dpb_wal_numbufs, ikUnsupported},
    {"wal_bufsize", isc_dpb_wal_bufsize, ikUnsupported},
    {"wal_grp_cmt_wait", isc_dpb_wal_grp_cmt_wait, ikUnsupported},
    {"lc_messages", isc_dpb_lc_messages, ikText},
    {"lc_ctype", isc_dpb_lc_ctype, ikText},
    {"cache_manager", isc_dpb_cache_manager, ikUnsupported},
    {"shutdown", isc_dpb_shutdown, ikUnsupported},
    {"online", isc_dpb_online, ikUnsupported},
    {"shutdown_delay", isc_dpb_shutdown_delay, ikUnsupported},
    {"reserved", isc_dpb_reserved, ikUnsupported},
    {"overwrite", isc_dpb_overwrite, ikUnsupported},
    {"sec_attach", isc_dpb_sec_attach, ikUnsupported},
    {"disable_wal", isc_dpb_disable_wal, ikUnsupported},
    {"connect_timeout", isc_dpb_connect_timeout, ikInteger},
    {"dummy_packet_interval", isc_dpb_dummy_packet_interval, ikInteger},
    {"gbak_attach", isc_dpb_gbak_attach, ikUnsupported},
    {"sql_role_name", isc_dpb_sql_role_name, ikText},
    {"set_page_buffers", isc_dpb_set_page_buffers, ikInteger},
    {"working_directory", isc_dpb_working_directory, ikText},
    {"sql_dialect", isc_dpb_sql_dialect, ikByte},
    {"set_db_readonly", isc_dpb_set_db_readonly, ikByte},
    {"set_db_sql_dialect", isc_dpb_set_db_sql_dialect, ikByte},
    {"gfix_attach", isc_dpb_gfix_attach, ikUnsupported},
    {"gstat_attach", isc_dpb_gstat_attach, ikUnsupported},
    {"set_db_charset", 68, ikText},
    {"gsec_attach", isc_dpb_gsec_attach, ikUnsupported},
    {"address_path", isc_dpb_address_path, ikUnsupported},
    {"process_id", isc_dpb_process_id, ikInteger},
    {"no_db_triggers", 72, ikTriggers},
    {"trusted_auth", isc_dpb_trusted_auth, ikUnsupported},
    {"process_name", isc_dpb_process_name, ikText},
    {"trusted_role", isc_dpb_trusted_role, ikUnsupported},
    {"org_filename", isc_dpb_org_filename, ikUnsupported},
    {"utf8_filename", 77, ikFlag},
    {"ext_call_depth", isc_dpb_ext_call_depth, ikUnsupported},
    {"auth_block", isc_dpb_auth_block, ikUnsupported},
    {"client_version", isc_dpb_client_version, ikText},
    {"remote_protocol", isc_dpb_remote_protocol, ikUnsupported},
    {"host_name", isc_dpb_host_name, ikText},
    {"os_user", isc_dpb_os_user, ikText},
    {"specific_auth_data", isc_dpb_specific_auth_data, ikUnsupported},
    {"auth_plugin_list", isc_dpb_auth_plugin_list, ikText},
    {"auth_plugin_name", isc_dpb_auth_plugin_name, ikUnsupported},
    {"config", isc_dpb_config, ikText},
    {"nolinger", isc_dpb_nolinger, ikFlag},
    {"reset_icu", isc_dpb_reset_icu, ikUnsupported},
    {"map_attach", isc_dpb_map_attach, ikUnsupported},
    {"clear_map", isc_dpb_clear_map, ikUnsupported},
};

// TPB items: most are a single code; table reservations carry a table name,
// lock_timeout a number of seconds.
constexpr TItem kTpbItems[] = {
    {"consistency", isc_tpb_consistency, ikFlag},
    {"concurrency", isc_tpb_concurrency, ikFlag},
    {"shared", isc_tpb_shared, ikFlag},
    {"protected", isc_tpb_protected, ikFlag},
    {"exclusive", isc_tpb_exclusive, ikFlag},
    {"wait", isc_tpb_wait, ikFlag},
    {"nowait", isc_tpb_nowait, ikFlag},
    {"read", isc_tpb_read, ikFlag},
    {"write", isc_tpb_write, ikFlag},
    {"lock_read", isc_tpb_lock_read, ikText},
    {"lock_write", isc_tpb_lock_write, ikText},
    {"verb_time", isc_tpb_verb_time, ikUnsupported},
    {"commit_time", isc_tpb_commit_time, ikUnsupported},
    {"ignore_limbo", isc_tpb_ignore_limbo, ikFlag},
    {"read_committed", isc_tpb_read_committed, ikFlag},
    {"autocommit", isc_tpb_autocommit, ikFlag},
    {"rec_version", isc_tpb_rec_version, ikFlag},
    {"no_rec_version", isc_tpb_no_rec_version, ikFlag},
    {"restart_requests", isc_tpb_restart_requests, ikFlag},
    {"no_auto_undo", isc_tpb_no_auto_undo, ikFlag},
    {"lock_timeout", isc_tpb_lock_timeout, ikInteger},
};

template <size_t N>
const TItem* FindItem(const TItem (&table)[N], std::string_view name)
{
    for (const TItem& item : table)
        if (name == item.Name) return &item;
    return nullptr;
}

struct TLine {
    std::string Name;
    std::string Value;
};

// Trims control characters and blanks, splits at the first "=", lowers the
// name and drops the prefix. False for a line that holds nothing.
bool SplitLine(const std::string& raw, std::string_view prefix, TLine& out)
{
    size_t b = 0, e = raw.size();
    while (b < e && static_cast<unsigned char>(raw[b]) < 33) ++b;
    while (e > b && static_cast<unsigned char>(raw[e - 1]) < 33) --e;
    if (b == e) return false;
    const std::string line = raw.substr(b, e - b);
    const size_t eq = line.find('=');
    std::string name = line.substr(0, eq);
    out.Value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    out.Name = std::move(name);
    return true;
}

std::int32_t NumberValue(const char* kind, const char* prefix, const TLine& line)
{
    try {
        return StrToInt(line.Value);
    } catch (const Exception&) {
        throw EDbClientError(std::string(kind) + " Constant (" + prefix + line.Name + ") needs a number, not '" +
                             line.Value + "'.");
    }
}

void AppendValue(std::string& block, const char* kind, const char* prefix, const TItem& item, const TLine& line)
{
    const char code = static_cast<char>(item.Code);
    switch (item.Kind) {
    case ikText:
        if (line.Value.size() > 255)
            throw EDbClientError(std::string(kind) + " Constant (" + prefix + line.Name + ") value is too long: " +
                                 std::to_string(line.Value.size()) + " bytes, at most 255.");
        block += code;
        block += static_cast<char>(line.Value.size());
        block += line.Value;
        break;
    case ikByte: {
        const std::int32_t v = NumberValue(kind, prefix, line);
        if (v < 0 || v > 255)
            throw EDbClientError(std::string(kind) + " Constant (" + prefix + line.Name +
                                 ") value is out of range: " + line.Value + ", expected 0 to 255.");
        block += code;
        block += '\1';
        block += static_cast<char>(v);
        break;
    }
    case ikInteger: {
        const std::uint32_t v = static_cast<std::uint32_t>(NumberValue(kind, prefix, line));
        block += code;
        block += '\4';
        for (int i = 0; i < 4; ++i) block += static_cast<char>((v >> (8 * i)) & 0xFF);
        break;
    }
    case ikFlag:
        block += code;
        block += '\0';
        break;
    case ikTriggers:
        block += code;
        block += '\1';
        block += '\1';
        break;
    case ikUnsupported:
        break;
    }
}

}  // namespace

std::string BuildDatabaseParamBlock(const TLineList& lines, bool isFirebird)
{
    std::string block(1, static_cast<char>(isc_dpb_version1));
    for (const std::string& raw : lines) {
        TLine line;
        if (!SplitLine(raw, "isc_dpb_", line)) continue;
        const TItem* item = FindItem(kDpbItems, line.Name);
        if (!item) throw EDbClientError("DPB Constant (" + line.Name + ") is unknown.");
        if (item->Kind == ikUnsupported)
            throw EDbClientError("DPB Constant (isc_dpb_" + line.Name + ") is unsupported.");
        if (item->Kind == ikTriggers && !isFirebird) continue;
        AppendValue(block, "DPB", "isc_dpb_", *item, line);
    }
    return block;
}

std::string BuildTransactionParamBlock(const TLineList& lines)
{
    std::string block(1, static_cast<char>(isc_tpb_version3));
    for (const std::string& raw : lines) {
        TLine line;
        if (!SplitLine(raw, "isc_tpb_", line)) continue;
        const TItem* item = FindItem(kTpbItems, line.Name);
        if (!item) throw EDbClientError("TPB Constant (" + line.Name + ") is unknown.");
        if (item->Kind == ikUnsupported)
            throw EDbClientError("TPB Constant (isc_tpb_" + line.Name + ") is unsupported.");
        if (item->Kind == ikFlag) {
            block += static_cast<char>(item->Code);  // a TPB flag is its code alone
            continue;
        }
        AppendValue(block, "TPB", "isc_tpb_", *item, line);
    }
    return block;
}
