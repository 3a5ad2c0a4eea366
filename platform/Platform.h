#pragma once
// Operating-system services behind one thin layer.
