"""The guest's boot under the hypervisor, with QEMU replaced by scripts: a guest that comes up there is used; one
whose QEMU aborts, or that does not come up in time, is booted under the translator, which is kept for later."""
import os

import pytest

import guest_vm

# What each stand-in for QEMU does, in its job folder: boot and end with status 7, end at once as QEMU does when it
# cannot set up the processor, or never come up.
BOOTS = "touch booted; echo 7 > status"
ABORTS = "exit 134"
HANGS = "exec sleep 600"


@pytest.mark.parametrize("under_kvm, fell_back", [(BOOTS, False), (ABORTS, True), (HANGS, True)])
def test_a_guest_that_cannot_come_up_under_the_hypervisor_is_booted_under_the_translator(
        tmp_path, monkeypatch, under_kvm, fell_back):
    memo = tmp_path / "kvm-does-not-boot"
    monkeypatch.setattr(guest_vm, "KVM_FAILS", str(memo))
    monkeypatch.setattr(guest_vm, "KVM_BOOT_LIMIT", 1)
    monkeypatch.setattr(guest_vm, "accelerator", lambda: ("kvm", "stand-in"))
    accels = []

    def qemu_command(image, job, root, snapshot, accel):
        accels.append(accel)
        return ["/bin/sh", "-c", 'cd "$1" && ' + (under_kvm if accel == "kvm" else "echo 9 > status"), "qemu", job]

    monkeypatch.setattr(guest_vm, "qemu_command", qemu_command)
    assert guest_vm.run(str(tmp_path), str(tmp_path), "true", timeout=60) == (9 if fell_back else 7)
    assert accels == (["kvm", "tcg"] if fell_back else ["kvm"])
    assert memo.exists() == fell_back
