#include "registration_run.h"

// Arguments are ignored and nothing is printed: the exit code is 0 whatever happened.
int main()
{
    return RunRegistration();
}
