#pragma once
// Named settings values of the program's store; every call opens the store anew.
