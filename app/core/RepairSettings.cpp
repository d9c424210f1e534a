#include "app/core/RepairSettings.h"

#include "app/core/IniFile.h"

TRepairTarget ReadRepairTarget(const std::string& folder)
{
    const TIniFile ini(folder + kConfigFileName);
    TRepairTarget target;
    target.Server = ini.ReadString(kConfigSection, kServerKey, kDefaultServer);
    target.Path = ini.ReadString(kConfigSection, kPathKey, folder + kDefaultDatabaseFile);
    return target;
}

std::string RepairDatabaseName(const TRepairTarget& target)
{
    return target.Server + ":" + target.Path;
}
