#pragma once
// What decides which database the repair reaches and how: the configuration
// file beside the executable, the database name built from it, the two
// passwords and the texts the repair shows. Text is Windows-1252.

#include <string>

inline constexpr const char* kConfigFileName = "quorvel.ini";
inline constexpr const char* kConfigSection = "Quorvel";
inline constexpr const char* kServerKey = "Servidor";
inline constexpr const char* kPathKey = "Caminho";
inline constexpr const char* kDefaultDatabaseFile = "QUORVEL.FDB";
// The local machine as seen over the loopback interface.
inline constexpr const char* kDefaultServer = "localhost";

inline constexpr const char* kFirstPassword = "gorbun";
inline constexpr const char* kFallbackPassword = "quilbrond";

inline constexpr const char* kMsgConnectFailed = "Falha ao conectar com o banco de dados!!!";
inline constexpr const char* kMsgRepaired = "Pronto. O problema que ocorreu no ZELMORINA j\xE1 foi resolvido!!!";

struct TRepairTarget {
    std::string Server;  // "Servidor"
    std::string Path;    // "Caminho"
};

// Reads "Servidor" and "Caminho" from `folder` + "quorvel.ini" (`folder` ends
// with its separator, as ExtractFileFolder gives it). Never fails: a missing
// file, section or key gives the default (kDefaultServer; `folder` +
// "QUORVEL.FDB").
TRepairTarget ReadRepairTarget(const std::string& folder);

// Server, ":" and path joined, always, whatever they hold.
std::string RepairDatabaseName(const TRepairTarget& target);
