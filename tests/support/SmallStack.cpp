#include "SmallStack.h"

#include <exception>
#include <stdexcept>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace rdtest {

#ifdef _WIN32

void onAddinStack(const std::function<void()>& code)
{
    code();
}

#else

namespace {

struct Job {
    const std::function<void()>* code;
    std::exception_ptr failure;
};

void* runJob(void* argument)
{
    auto* job = static_cast<Job*>(argument);
    try {
        (*job->code)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

} // namespace

void onAddinStack(const std::function<void()>& code)
{
    Job job{&code, nullptr};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kAddinThreadStack);
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, runJob, &job);
    pthread_attr_destroy(&attributes);
    if (error != 0)
        throw std::runtime_error("onAddinStack: no thread could be started");
    pthread_join(thread, nullptr);
    if (job.failure)
        std::rethrow_exception(job.failure);
}

#endif

} // namespace rdtest
