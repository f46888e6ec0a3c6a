#include "platform/webcontrol.h"

#include "platform/webengine_control.h"

namespace {
TWebControlFactory &factory()
{
    static TWebControlFactory f;
    return f;
}
}

void SetWebControlFactory(TWebControlFactory f)
{
    factory() = std::move(f);
}

TWebControl *CreateWebControl(QObject *parent)
{
    if (factory())
        return factory()(parent);
    return new TWebEngineControl(parent);
}
