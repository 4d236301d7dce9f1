#include "widgets/ApplicationServicesProvider.h"

ApplicationServicesProvider::~ApplicationServicesProvider() = default;
