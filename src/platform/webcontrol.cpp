#include "platform/webcontrol.h"

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

const TWebControlFactory &WebControlFactory()
{
    return factory();
}
