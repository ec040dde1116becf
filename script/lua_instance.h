#pragma once
// One run of a script on a Lua engine. It takes the engines' lock and a
// pooled state when made, and gives both back when destroyed. An effect run
// hands the script its declared parameters (as Lua source before the script,
// or as fields of "obj") and the object's drawing state in "obj", runs the
// chunk in protected mode under the crash guard, and reads the drawing state
// back; a failure is logged with the lines around it and thrown.
#include "effect/script_plugin.h"
#include "script/lua_api.h"

#include <exception>
#include <mutex>
#include <string>
#include <vector>

namespace Plugin {

class LuaBase;

// The text state of the text functions, reset at the start of every effect
// run. Per thread, like the current run.
struct ScriptTextState {
    std::wstring font;
    float size = 40.0f;
    int type = 0;
    float color[4] = {1, 1, 1, 1};
    float secondColor[4] = {0, 0, 0, 1};
};

class LuaInstance final : public ScriptPluginInstance {
    // First, so that the lock is held before a state is taken and after it is returned.
    std::unique_lock<std::recursive_mutex> lock_;

public:
    // Takes the lock and a state; on failure nothing is kept.
    LuaInstance(LuaBase& engine, const Effect::ScriptData* script);
    ~LuaInstance() override;

    void executeEffect(const std::string& script) override;
    double executeMovement(const std::string& script) override;
    void setObjValues() override;
    void getObjValues() override;
    void setScriptVariables() override;
    double getFieldNumber(const char* name) override;
    void setFieldNumber(const char* name, double value) override;
    void setFieldBoolean(const char* name, bool value) override;

    // The innermost run on this thread and its engine's functions; the script
    // functions reach their run only through these.
    static LuaInstance* current();
    static const Lua::Api& api();

    // Lets go of every level of the engines' lock this thread holds (one per
    // run on its chain) for its life, and takes them back at its end: for a
    // function that waits for another thread which may itself run scripts
    // (the audio worker evaluating a movement script). The runs of this
    // thread keep their states; nothing of the interpreter may be touched
    // while it lives.
    class LockRelease {
    public:
        LockRelease();
        ~LockRelease();
        LockRelease(const LockRelease&) = delete;
        LockRelease& operator=(const LockRelease&) = delete;

    private:
        std::vector<LuaInstance*> released_;
    };

    // The run this one is nested in on its thread; null for the outermost.
    const LuaInstance* previousRun() const { return previousInstance_; }

    // The Lua source that passes the declared parameters; rebuilt by each
    // setScriptVariables and consumed by the run that called it. Per thread.
    static std::string& scriptPrefix();
    static ScriptTextState& textState();

    // The accesses to the fields of the global "obj". Every interpreter call
    // that can run a script's metamethod (one on "obj", on the globals or on
    // "package") is made in protected mode, so such a metamethod can fail the
    // run but never end the process: writes are collected and made in one
    // protected call by commit() (or before the next read), reads are
    // protected calls. commit() throws "obj table not defined" when "obj" is
    // not a table; what was not committed is dropped at the section's end.
    class VariableAccessSection {
    public:
        explicit VariableAccessSection(LuaInstance& run);
        ~VariableAccessSection();
        VariableAccessSection(const VariableAccessSection&) = delete;
        VariableAccessSection& operator=(const VariableAccessSection&) = delete;
        void commit();

    private:
        LuaInstance& run_;
    };

    // Fills the value at `index` of L's stack as an array, t[i] = values[i - 1],
    // in a protected call, so a metamethod of a script's table runs where its
    // error cannot unwind the caller; the stack is left below index. False
    // with the interpreter's message when the write raised (t not a table,
    // or its metamethod failed).
    bool setArray(Lua::lua_State* L, int index, const std::vector<float>& values, std::string& error);

    // Registers the functions the protected accesses call in a new state.
    static void registerHostFunctions(const Lua::Api& api, Lua::lua_State* state);

    // A standard exception a script function threw: rethrown after the call.
    std::exception_ptr keptException;

    LuaBase& engine;
    Lua::lua_State* const state;

private:
    struct Host;
    struct FieldAccess {
        const char* name;
        double value;
        bool boolean;
    };

    void setPackagePath();
    // Loads and calls the chunk under the crash guard; results: 0 or 1.
    void runChunk(const std::string& chunk, int results, const char* place);
    // Calls the function on top of the stack in protected mode under the
    // crash guard; returns the interpreter's status.
    int protectedCall(int results, const char* place);
    // Calls a host function in protected mode with the stack restored after
    // it; false when it found "obj" not a table. An error is reported and thrown.
    bool callHost(Lua::lua_CFunction function, const char* place);
    void commitFields();
    // The log line and exception of the error on top of the stack; the lines
    // around it are quoted from the chunk when it is given.
    [[noreturn]] void reportScriptError(const std::string& chunk);

    LuaInstance* previousInstance_;
    const Lua::Api* previousApi_;
    bool crashed_ = false;
    std::string packagePath_, packageCPath_;
    // Field writes waiting for their commit; the names written (read back
    // together by getObjValues) and what that read found.
    std::vector<FieldAccess> writes_;
    std::vector<const char*> written_;
    std::vector<FieldAccess> reads_;
    const char* readName_ = nullptr;
    const std::vector<float>* arrayValues_ = nullptr; // what setArray writes
    double readValue_ = 0;
};

// A Lua string literal of text: quoted, with backslash, quote and every
// control character escaped, so the literal is one line.
std::string luaStringLiteral(std::string_view text);

} // namespace Plugin
