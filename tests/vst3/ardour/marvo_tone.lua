ardour {
	["type"]    = "dsp",
	name        = "Marvo Test Tone",
	category    = "Utility",
	license     = "MIT",
	author      = "Marvo",
	description = [[A sine tone of amplitude 0.25 on every channel, in place of the input.]]
}

function dsp_ioconfig ()
	return { { audio_in = -1, audio_out = -1 } }
end

function dsp_params ()
	return { { ["type"] = "input", name = "Frequency", min = 10, max = 20000, default = 1000, unit = "Hz" } }
end

local rate = 48000
local phase = 0

function dsp_init (r)
	rate = r
end

function dsp_run (ins, outs, n_samples)
	local step = 2 * math.pi * CtrlPorts:array()[1] / rate
	local start = phase
	for c = 1, #outs do
		local out = outs[c]:array()
		local p = start
		for i = 1, n_samples do
			out[i] = 0.25 * math.sin(p)
			p = p + step
		end
		phase = math.fmod(p, 2 * math.pi)
	end
end
