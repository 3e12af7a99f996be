ardour {
	["type"]    = "dsp",
	name        = "Marvo Test Level",
	category    = "Utility",
	license     = "MIT",
	author      = "Marvo",
	description = [[The RMS level of the first channel since the Epoch control last changed, after 4800 frames
of settling; shared memory float 0 holds it, float 1 the frames counted. Audio passes through.]]
}

function dsp_ioconfig ()
	return { { audio_in = -1, audio_out = -1 } }
end

function dsp_params ()
	return { { ["type"] = "input", name = "Epoch", min = 0, max = 1000, default = 0 } }
end

local epoch = -1
local sum = 0
local frames = 0

function dsp_init (rate)
	self:shmem():allocate(2)
	self:shmem():clear()
end

function dsp_run (ins, outs, n_samples)
	local e = CtrlPorts:array()[1]
	if e ~= epoch then
		epoch = e
		sum = 0
		frames = -4800
	end
	local a = ins[1]:array()
	for i = 1, n_samples do
		if frames >= 0 then
			sum = sum + a[i] * a[i]
		end
		frames = frames + 1
	end
	for c = 1, #ins do
		if ins[c] ~= outs[c] then
			ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples)
		end
	end
	local mem = self:shmem():to_float(0):array()
	if frames > 0 then
		mem[1] = math.sqrt(sum / frames)
		mem[2] = frames
	else
		mem[1] = 0
		mem[2] = 0
	end
end
