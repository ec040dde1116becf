#include "platform/ui/person.h"

#include "platform/ui/application.h"

#include <map>
#include <mutex>
#include <utility>

namespace Platform::Ui {

namespace {
std::mutex answerMutex;
std::map<std::pair<ModalKind, std::string>, Answerer>& answerers()
{
    static std::map<std::pair<ModalKind, std::string>, Answerer> map;
    return map;
}

// The answerer standing for the point, or an empty one.
Answerer findAnswerer(const ModalPoint& point)
{
    std::lock_guard lock(answerMutex);
    auto& map = answerers();
    if (!point.name.empty()) {
        auto named = map.find({point.kind, point.name});
        if (named != map.end())
            return named->second;
    }
    auto general = map.find({point.kind, std::string()});
    return general != map.end() ? general->second : Answerer();
}
} // namespace

void setAnswerer(ModalKind kind, Answerer answerer, const std::string& name)
{
    std::lock_guard lock(answerMutex);
    if (answerer)
        answerers()[{kind, name}] = std::move(answerer);
    else
        answerers().erase({kind, name});
}

void clearAnswerers()
{
    std::lock_guard lock(answerMutex);
    answerers().clear();
}

bool personAnswers(const ModalPoint& point)
{
    return hasDisplay() && !findAnswerer(point);
}

int answerWithoutPerson(ModalPoint& point)
{
    Answerer answerer = findAnswerer(point);
    return answerer ? answerer(point) : point.defaultAnswer;
}

} // namespace Platform::Ui
