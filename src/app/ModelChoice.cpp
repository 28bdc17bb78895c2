#include "app/ModelChoice.h"

#include "panel/Corvane.h"
#include "panel/RecordDoor.h"

namespace app
{

void chooseModel(Corvane& panel, const std::optional<std::string>& model)
{
    if (!model)
        return;
    panel.door().chooseModel(QString::fromStdString(*model));
}

} // namespace app
