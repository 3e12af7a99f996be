-- A headless session on the Dummy backend: a test tone, SmallEQ.vst3 and a level meter on one track.
-- Band 4 at +12 dB must raise 1 kHz by 12.0 dB and leave 100 Hz alone; the session, saved and opened
-- again, must keep the setting. MARVO_PHASE "create" makes, measures and saves the session; "reopen" opens it
-- in a new process (Ardour 7 does not close a session reopened in the same process) and measures again.
-- Prints RESULT lines; the calling script judges them.
local dir = os.getenv("MARVO_SESSION_DIR")
local phase = os.getenv("MARVO_PHASE")
local kToneRms = 0.25 / math.sqrt(2)
local kGain4 = 13
local epoch = 0

AudioEngine:set_backend("None (Dummy)", "", "")

function find(route, name)
	local i = 0
	while true do
		local p = route:nth_plugin(i)
		if p:isnil() then return nil end
		if p:display_name() == name then return p end
		i = i + 1
	end
end

function level(tone, meter, freq)
	epoch = epoch + 1
	ARDOUR.LuaAPI.set_processor_param(tone, 0, freq)
	ARDOUR.LuaAPI.set_processor_param(meter, 0, epoch)
	for _ = 1, 100 do
		ARDOUR.LuaAPI.usleep(100000)
		local mem = meter:to_insert():plugin(0):to_luaproc():shmem():to_float(0):array()
		if mem[2] >= 24000 then
			return mem[1]
		end
	end
	return 0
end

function db(a, b)
	return 20 * math.log(a / b, 10)
end

if phase == "create" then
	local s = create_session(dir, "marvo", 48000)
	assert(s, "no session")
	local track = Session:new_audio_track(2, 2, nil, 1, "EQ", -1, ARDOUR.TrackMode.Normal, true)
	local route = track:front()
	local tone = ARDOUR.LuaAPI.new_luaproc(Session, "Marvo Test Tone")
	local eq = ARDOUR.LuaAPI.new_plugin(Session, "SmallEQ", ARDOUR.PluginType.VST3, "")
	local meter = ARDOUR.LuaAPI.new_luaproc(Session, "Marvo Test Level")
	assert(not tone:isnil() and not eq:isnil() and not meter:isnil(), "a processor could not be made")
	route:add_processor_by_index(tone, 0, nil, true)
	route:add_processor_by_index(eq, 1, nil, true)
	route:add_processor_by_index(meter, 2, nil, true)

	local flat1k = level(tone, meter, 1000)
	local flat100 = level(tone, meter, 100)
	ARDOUR.LuaAPI.set_processor_param(eq, kGain4, 12.0) -- dB: the host sets the plain value
	local boost1k = level(tone, meter, 1000)
	local boost100 = level(tone, meter, 100)
	print(string.format("RESULT flat1k %.4f", db(flat1k, kToneRms)))
	print(string.format("RESULT gain1k %.4f", db(boost1k, flat1k)))
	print(string.format("RESULT gain100 %.4f", db(boost100, flat100)))
	Session:save_state("", false, false, false, false, false)
else
	local s = load_session(dir, "marvo")
	assert(s, "the session did not open again")
	local again = Session:route_by_name("EQ")
	local tone, eq, meter = find(again, "Marvo Test Tone"), find(again, "SmallEQ"), find(again, "Marvo Test Level")
	assert(tone and eq and meter, "a processor is missing after reopening")
	print(string.format("RESULT reopenedparam %.6f", ARDOUR.LuaAPI.get_processor_param(eq, kGain4, true)))
	print(string.format("RESULT reopened1k %.4f", db(level(tone, meter, 1000), kToneRms)))
end
print("RESULT " .. phase .. " 1")
io.stdout:flush()
close_session()
