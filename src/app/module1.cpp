#include "app/module1.h"

#include "app/form6.h"
#include "app/forms.h"

namespace Module1 {

void Main(Forms &forms)
{
    Form6 *splash = forms.Form6();
    splash->show();
}

} // namespace Module1
