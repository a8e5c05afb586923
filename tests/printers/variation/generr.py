# snmpsim variation module: every request that reads a record tagged with
# this module (OID|TAG:generr|VALUE) gets the agent error status genErr.
#
# The stock "error" module cannot give genErr: its GenError is turned into
# noError. A plain MibOperationError reaches the responder as genErr.
from pysnmp.smi import error


def init(**context):
    pass


def variate(oid, tag, value, **context):
    raise error.MibOperationError(name=oid, idx=max(0, context['varsTotal'] - context['varsRemaining'] - 1))


def shutdown(**context):
    pass
