#include "app/ModelChoice.h"

#include "panel/Corvane.h"

#include <QListWidget>

namespace app
{

void chooseModel(Corvane& panel, const std::optional<std::string>& model)
{
    if (!model)
        return;
    const QList<QListWidgetItem*> found =
        panel.KRV->findItems(QString::fromStdString(*model), Qt::MatchExactly);
    panel.KRV->setCurrentItem(found.value(0));
}

} // namespace app
