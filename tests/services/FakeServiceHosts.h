#pragma once

// Points the engine services at a running fake web service.
#include "FakeWebService.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/ServiceHosts.h"

inline ServiceHosts fakeServiceHosts(const FakeWebService &fake)
{
    const FakeWebService::Hosts hosts = fake.hosts();
    ServiceHosts result;
    result.service = hosts.service;
    result.site = hosts.site;
    result.account = hosts.account;
    result.image = hosts.image;
    return result;
}

inline void useFakeService(const FakeWebService &fake)
{
    g_setServiceHosts(fakeServiceHosts(fake));
}
