#pragma once
// The repair window: one button that connects to the configured Quorvel
// database and re-creates its ON CONNECT trigger.

#include "app/Form.h"
#include "dbaccess/Database.h"
#include "dbaccess/Transaction.h"
#include "scripter/ScriptRunner.h"

#include <wx/button.h>
#include <wx/settings.h>

#include <string>

class TFrmRestaurol : public TForm {
public:
    // `configFolder` (ending with its separator) is where "quorvel.ini" and the
    // default database are looked for; empty means the executable's folder,
    // which is what the program uses.
    explicit TFrmRestaurol(std::string configFolder = {});

    TDatabase* CON;
    TTransaction* TR;
    TScriptRunner* SC;
    wxButton* Button1;
    // Runs the whole repair; Sender is not used.
    void Button1Click(wxObject* Sender);

    std::string ConfigFolder() const;

private:
    std::string FConfigFolder;
};
