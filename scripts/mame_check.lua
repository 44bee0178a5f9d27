-- MAME autoboot script: checks that a snapshot written by `volumix generate
-- --snapshot --scr` plays the run's frames on MAME's CPC 6128.
--
-- Environment: VOLUMIX_SNA (the snapshot), VOLUMIX_PREFIX (the run's prefix:
-- PREFIX000.SCR ...), VOLUMIX_SHOT_FRAME (optional, the frame to freeze on
-- for the screenshot; default: the middle frame).
--
-- The player reads PPI port B (&F5xx) for the vertical sync and starts frame
-- k at sync k * rate (the rate is its parameter at PC + 16), counted from the
-- first sync it sees. A read tap on that port sees each sync begin (the
-- player also reads it while a frame plays, whenever a sync may come); at the
-- sync that starts frame k + 1 the screen holds frame k, drawn whole when it
-- fits its rate * 19,968 us (generate with --rate auto). Every frame is
-- compared, then frame 0 once more, over the bytes the CRTC shows. Then the
-- tap hides the sync from the player, which freezes the picture on the
-- screenshot frame, and a screenshot is saved.
-- A double-buffered player (its parameter at PC + 29 is 1) draws each frame
-- on the hidden screen and gives the CRTC its address (R12) at the next sync:
-- a write tap on the CRTC's ports follows R12, and each frame is compared on
-- the screen R12 names when it is given (the first R12 write, before frame
-- 0, shows the start screen's copy), and must come during a sync. The freeze
-- then hides the syncs once the screenshot frame is shown: the player draws
-- the next frame out of sight and waits for a sync that never comes.
-- Prints one line per frame and a closing "result:" line; exits with 0 when
-- every frame matches, 1 on a mismatch, 2 when the check cannot run.

-- Ends the run with os.exit rather than manager.machine:exit(): once a Lua
-- read tap has been installed, MAME 0.251 crashes in its teardown about half
-- the time (SIGSEGV in lua_rotate), even with the tap removed first.
local function finish(line, status)
    print(line)
    io.stdout:flush()
    os.exit(status)
end

local function fail(message) finish("result: error: " .. message, 2) end

local snaPath = os.getenv("VOLUMIX_SNA")
local prefix = os.getenv("VOLUMIX_PREFIX")
if not snaPath or not prefix then return fail("VOLUMIX_SNA and VOLUMIX_PREFIX must be set") end

local function readFile(path)
    local file = io.open(path, "rb")
    if not file then return nil end
    local bytes = file:read("a")
    file:close()
    return bytes
end

-- Width, rows and base as our snapshot sets the CRTC (R1, R6, R12 at &43...).
local sna = readFile(snaPath)
if not sna or #sna < 256 or sna:sub(1, 8) ~= "MV - SNA" then return fail("cannot read " .. snaPath) end
local r1, r6, r12 = sna:byte(0x43 + 1 + 1), sna:byte(0x43 + 6 + 1), sna:byte(0x43 + 12 + 1)
local base = ((r12 >> 4) & 3) * 0x4000
local shownBytes = math.min(2048, r6 * 2 * r1)  -- per 2,048-byte block

-- A .SCR keeps the mode and inks at &17D0..&17E0 in place of picture bytes
-- (which the CRTC shows when R1 is above 40): those offsets are not compared.
local function withoutPalette(screen)
    return screen:sub(1, 0x17D0) .. string.rep("\0", 17) .. screen:sub(0x17E2)
end

-- The bytes the CRTC shows: in each of the 8 blocks, the first R6 * 2 * R1.
local function shown(screen)
    screen = withoutPalette(screen)
    local parts = {}
    for block = 0, 7 do parts[#parts + 1] = screen:sub(block * 2048 + 1, block * 2048 + shownBytes) end
    return table.concat(parts)
end

local cpu = manager.machine.devices[":maincpu"]
local program = cpu.spaces["program"]
local ioSpace = cpu.spaces["io"]

-- The frame count and the rate as MAME loaded them: the player's parameters
-- at PC + 5 and PC + 16.
local pc = cpu.state["PC"].value
local frames = program:read_u16(pc + 5)
local rate = program:read_u8(pc + 16)
local doubleBuffer = program:read_u8(pc + 29) == 1
if rate < 1 or rate > 50 then return fail(string.format("the player's rate is %d", rate)) end
if frames == 0 then return fail(string.format("no frames in the player at &%04X", pc)) end
local expected = {}
for frame = 0, frames - 1 do
    local path = string.format("%s%03d.SCR", prefix, frame)
    local bytes = readFile(path)
    if not bytes then return fail("cannot read " .. path .. ": generate with --scr") end
    if #bytes < 128 + 16384 then return fail(path .. " is shorter than a screen") end
    expected[#expected + 1] = shown(bytes:sub(129, 128 + 16384))
end
local shotFrame = tonumber(os.getenv("VOLUMIX_SHOT_FRAME") or "") or frames // 2
if shotFrame < 0 or shotFrame >= frames then shotFrame = 0 end

print(string.format("mame: snapshot started, PC=&%04X SP=&%04X; R1=%d R6=%d base &%04X; %d frames, %d sync%s each%s",
                    pc, cpu.state["SP"].value, r1, r6, base, frames, rate, rate == 1 and "" or "s",
                    doubleBuffer and string.format("; double buffered with &%04X", program:read_u16(pc + 27) & 0xC000)
                                 or ""))

local syncs, lastSync, mismatches, frozen = 0, 0, 0, false
local framesRun, syncFrame = 0, 0  -- video frames run, and at the last sync the player saw
local checked = 0  -- frames compared so far (frames + 1 with the loop)

local function describe(actual, want, screen)
    local count, first = 0, nil
    for k = 1, #want do
        if actual:byte(k) ~= want:byte(k) then
            count = count + 1
            if not first then
                local block, within = (k - 1) // shownBytes, (k - 1) % shownBytes
                first = (screen or base) + block * 2048 + within
            end
        end
    end
    return string.format("%d bytes differ, first at &%04X", count, first or 0)
end

-- Double buffering: the screen R12 names, and the frames shown so far.
local shownScreen, switches = base, 0

local function compareFrame(frame, screen, note)
    local actual = shown(program:read_range(screen, screen + 0x3FFF, 8))
    local label = checked == frames and string.format("frame %3d (loop)", frame)
                                     or string.format("frame %3d       ", frame)
    if actual == expected[frame + 1] and not note then
        print(label .. "  ok")
    else
        mismatches = mismatches + 1
        print(label .. "  mismatch: " .. (note or describe(actual, expected[frame + 1], screen)))
    end
    checked = checked + 1
end

local function onSwitch(r12)
    shownScreen = ((r12 >> 4) & 3) * 0x4000
    switches = switches + 1
    if switches == 1 or frozen then return end  -- the start screen's copy
    local frame = (switches - 2) % frames
    if checked <= frames then
        compareFrame(frame, shownScreen, lastSync == 0 and "R12 written outside a vertical sync" or nil)
    end
    if checked > frames and frame == shotFrame then frozen = true end
end

local function onSync()
    syncs = syncs + 1
    syncFrame = framesRun
    if doubleBuffer then return end
    -- Sync 1 starts frame 0; the syncs within a frame's slot start nothing.
    if syncs == 1 or (syncs - 1) % rate ~= 0 then return end
    local frame = ((syncs - 1) // rate - 1) % frames
    if checked <= frames then compareFrame(frame, base) end
    if checked > frames and frame == shotFrame then frozen = true end
end

-- Kept in a global: the tap lasts as long as its handler object.
volumixSyncTap = ioSpace:install_read_tap(0xF500, 0xF5FF, "volumix_sync", function(offset, data, mask)
    if not frozen then
        local sync = data & 1
        if sync == 1 and lastSync == 0 then onSync() end
        lastSync = sync
    end
    if frozen then return data & 0xFE end  -- from this sync on: the player keeps the frame
    return data
end)

-- The CRTC's ports: &BCxx selects a register, &BDxx writes it.
local crtcSelected = 0
volumixCrtcTap = ioSpace:install_write_tap(0xBC00, 0xBDFF, "volumix_crtc", function(offset, data, mask)
    if offset & 0x0300 == 0 then
        crtcSelected = data & 31
    elseif offset & 0x0300 == 0x0100 and crtcSelected == 12 and doubleBuffer then
        onSwitch(data)
    end
    return data
end)

local frozenFrames = 0
emu.register_frame_done(function()
    framesRun = framesRun + 1
    if frozen then
        frozenFrames = frozenFrames + 1
        if frozenFrames == 3 then
            manager.machine.video:snapshot()
            local screenBase = doubleBuffer and shownScreen or base
            local screen = shown(program:read_range(screenBase, screenBase + 0x3FFF, 8))
            local want = expected[shotFrame + 1]
            print(string.format("screenshot: frame %d, %s", shotFrame,
                                screen == want and "the screen equals its .SCR" or describe(screen, want, screenBase)))
            finish(string.format("result: %d passed, %d failed", checked - mismatches, mismatches),
                   mismatches == 0 and 0 or 1)
        end
    elseif framesRun - syncFrame > 500 + 50 * rate then
        fail(string.format("the player saw no vertical sync for 10 s (%d compared)", checked))
    end
end)
